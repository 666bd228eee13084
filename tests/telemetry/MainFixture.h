#pragma once

#include "PtyPair.h"
#include "ScriptedDialogs.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "telemetry/Main.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A ql4100 main window started offscreen in a private working folder, with
// COM1 mapped to a pseudo-terminal standing in for the radio's line.
class MainFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        ASSERT_TRUE(pty_.IsValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(work_.path());
        ClearSettings();
        MapPort(1, pty_.SlavePath());
    }

    void TearDown() override
    {
        window_.reset();
        QDir::setCurrent(previousDir_);
    }

    static void ClearSettings()
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100t"));
        s.clear();
        s.sync();
    }

    static void MapPort(int number, const QString& device)
    {
        Settings map(PortNames::MapKey(Deliverable::Telemetry));
        ASSERT_TRUE(map.Open(true));
        ASSERT_TRUE(map.WriteString(QStringLiteral("COM%1").arg(number), device));
    }

    static void PutSetting(const QString& name, const QVariant& value)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100t"));
        s.setValue(QStringLiteral("Port/") + name, value);
        s.sync();
    }

    static QVariant GetSetting(const QString& name)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100t"));
        return s.value(QStringLiteral("Port/") + name);
    }

    // A 2048-byte image with the given radio type and mode bytes.
    static QByteArray MakeImage(int radioType, int mode = 0, int hardware = 0xF0)
    {
        QByteArray b(2048, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = static_cast<char>(i & 0xFF);
        b[40] = static_cast<char>(hardware);
        b[50] = static_cast<char>(radioType);
        b[78] = static_cast<char>(mode);
        return b;
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = QDir(work_.path()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Creates and shows the main window and waits for its first activation.
    Tfrm4100& Start()
    {
        window_ = std::make_unique<Tfrm4100>(dialogs_);
        window_->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->FirstActivationPending(); }, 5000));
        return *window_;
    }

    QByteArray ImageBytes() const
    {
        return QByteArray(reinterpret_cast<const char*>(window_->Image().Data()), window_->Image().Size());
    }

    QTemporaryDir work_;
    PtyPair pty_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<Tfrm4100> window_;
    QString previousDir_;
};
