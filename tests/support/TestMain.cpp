// Main of every test binary: a QApplication on the offscreen platform, with
// the user's config and runtime folders pointed at private temporary ones,
// so no test reads or writes the real settings or meets a running program.
#include "platform/WindowMessages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home.path() + "/run").toLocal8Bit());
    QDir().mkpath(home.path() + "/run");
    QFile::setPermissions(home.path() + "/run",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QApplication app(argc, argv);
    WatchWindowMessageHandOver();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
