#pragma once

#include "RadioSimulator.h"
#include "ScriptedDialogs.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "pmr/Main.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A ql4100p main window started offscreen in a private working folder, with
// COM1 mapped to a simulated PMR radio.
class PmrMainFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(work_.path());
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100P"));
        s.clear();
        s.sync();
        SimOptions options;
        options.family = SimOptions::Family::Pmr;
        sim_ = std::make_unique<RadioSimulator>(options);
        ASSERT_TRUE(sim_->Start()) << sim_->Error();
        MapPort(1, QString::fromStdString(sim_->SlavePath()));
    }

    void TearDown() override
    {
        window_.reset();
        sim_.reset();
        QDir::setCurrent(previousDir_);
    }

    static void MapPort(int number, const QString& device)
    {
        Settings map(PortNames::MapKey(Deliverable::Pmr));
        ASSERT_TRUE(map.Open(true));
        ASSERT_TRUE(map.WriteString(QStringLiteral("COM%1").arg(number), device));
    }

    static void PutSetting(const QString& group, const QString& name, const QVariant& value)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100P"));
        s.setValue(group + QLatin1Char('/') + name, value);
        s.sync();
    }

    static QVariant GetSetting(const QString& group, const QString& name)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), QStringLiteral("Ql4100P"));
        return s.value(group + QLatin1Char('/') + name);
    }

    // A PMR image of the given size whose bytes follow a pattern.
    static QByteArray MakeImage(int size, int radioType = 2)
    {
        QByteArray b(size, '\0');
        for (int i = 0; i < size; ++i)
            b[i] = static_cast<char>((i * 3 + 1) & 0xFF);
        b[40] = 0x00;
        b[50] = static_cast<char>(radioType);
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

    pmr::Tfrm4100& Start(const QStringList& arguments = {})
    {
        window_ = std::make_unique<pmr::Tfrm4100>(dialogs_, arguments);
        window_->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->FirstActivationPending(); }, 5000));
        QCoreApplication::processEvents();
        return *window_;
    }

    QByteArray ImageBytes(int size = 8192) const
    {
        return QByteArray(reinterpret_cast<const char*>(window_->Image().Data()), size);
    }
    QByteArray SimBytes() const
    {
        const std::vector<uint8_t> m = sim_->Memory();
        return QByteArray(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(m.size()));
    }

    QTemporaryDir work_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<RadioSimulator> sim_;
    std::unique_ptr<pmr::Tfrm4100> window_;
    QString previousDir_;
};
