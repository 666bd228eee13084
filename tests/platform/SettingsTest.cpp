#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {
// Writes raw text as the INI value, as a user or another tool might have.
void PutRaw(const QString& app, const QString& group, const QString& name, const QVariant& value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zyn"), app);
    s.beginGroup(group);
    s.setValue(name, value);
    s.endGroup();
    s.sync();
}
} // namespace

TEST(Settings, KeyPathNamesOrganisationApplicationAndGroup)
{
    Settings s(QStringLiteral("\\Zyn\\Ql4100t\\Port"));
    EXPECT_EQ(s.Organisation(), QStringLiteral("Zyn"));
    EXPECT_EQ(s.Application(), QStringLiteral("Ql4100t"));
    EXPECT_EQ(s.Group(), QStringLiteral("Port"));
    EXPECT_TRUE(s.FileName().endsWith(QStringLiteral("/Zyn/Ql4100t.ini"))) << s.FileName().toStdString();
}

TEST(Settings, MissingKeyDoesNotOpenWithoutCreate)
{
    Settings s(QStringLiteral("\\Zyn\\MissingApp\\Port"));
    EXPECT_FALSE(s.Open(false));
    int v = 7;
    EXPECT_FALSE(s.ReadInt(QStringLiteral("ComPort"), v));
    EXPECT_EQ(v, 7);
}

TEST(Settings, WrittenValuesReadBackInANewObject)
{
    {
        Settings w(QStringLiteral("\\Zyn\\RoundTrip\\Port"));
        ASSERT_TRUE(w.Open(true));
        EXPECT_TRUE(w.WriteInt(QStringLiteral("ComPort"), 12));
        EXPECT_TRUE(w.WriteInt(QStringLiteral("maxBdRate"), 57600));
        EXPECT_TRUE(w.WriteString(QStringLiteral("DefaultFile"), QStringLiteral("/tmp/a b, c.mem")));
    }
    Settings r(QStringLiteral("\\Zyn\\RoundTrip\\Port"));
    ASSERT_TRUE(r.Open(false));
    int port = 0, rate = 0;
    QString file;
    EXPECT_TRUE(r.ReadInt(QStringLiteral("ComPort"), port));
    EXPECT_TRUE(r.ReadInt(QStringLiteral("maxBdRate"), rate));
    EXPECT_TRUE(r.ReadString(QStringLiteral("DefaultFile"), file));
    EXPECT_EQ(port, 12);
    EXPECT_EQ(rate, 57600);
    EXPECT_EQ(file, QStringLiteral("/tmp/a b, c.mem"));
}

TEST(Settings, ValuesThatAreNotIntegersCannotBeRead)
{
    struct Case {
        QVariant stored;
        bool readable;
        int value;
    };
    const Case cases[] = {
        {QStringLiteral("3"), true, 3},
        {QStringLiteral("-1"), true, -1},
        {QStringLiteral(" 256 "), true, 256},
        {QStringLiteral("4294967295"), true, -1}, // a DWORD of all ones
        {QStringLiteral("COM3"), false, 0},
        {QStringLiteral("3.5"), false, 0},
        {QStringLiteral(""), false, 0},
        {QStringLiteral("99999999999"), false, 0},
    };
    for (const Case& c : cases) {
        PutRaw(QStringLiteral("Ints"), QStringLiteral("Port"), QStringLiteral("ComPort"), c.stored);
        Settings s(QStringLiteral("\\Zyn\\Ints\\Port"));
        ASSERT_TRUE(s.Open(false));
        int v = 1234;
        EXPECT_EQ(s.ReadInt(QStringLiteral("ComPort"), v), c.readable) << c.stored.toString().toStdString();
        EXPECT_EQ(v, c.readable ? c.value : 1234) << c.stored.toString().toStdString();
    }
}

TEST(Settings, OneMissingValueDoesNotHideTheOthers)
{
    PutRaw(QStringLiteral("Partial"), QStringLiteral("Port"), QStringLiteral("maxBdRate"), 19200);
    Settings s(QStringLiteral("\\Zyn\\Partial\\Port"));
    ASSERT_TRUE(s.Open(false));
    int port = -5, rate = 0;
    QString file = QStringLiteral("x");
    EXPECT_FALSE(s.ReadInt(QStringLiteral("ComPort"), port));
    EXPECT_FALSE(s.ReadString(QStringLiteral("DefaultFile"), file));
    EXPECT_TRUE(s.ReadInt(QStringLiteral("maxBdRate"), rate));
    EXPECT_EQ(rate, 19200);
}

TEST(Settings, GroupsOfOneApplicationAreSeparate)
{
    PutRaw(QStringLiteral("Groups"), QStringLiteral("Files"), QStringLiteral("DefaultFile"), QStringLiteral("p.mem"));
    Settings port(QStringLiteral("\\Zyn\\Groups\\Port"));
    EXPECT_FALSE(port.Open(false));
    Settings files(QStringLiteral("\\Zyn\\Groups\\Files"));
    ASSERT_TRUE(files.Open(false));
    QString f;
    EXPECT_TRUE(files.ReadString(QStringLiteral("DefaultFile"), f));
    EXPECT_EQ(f, QStringLiteral("p.mem"));
}

TEST(Settings, WriteToAnUnwritableFileReportsFailure)
{
    Settings s(QStringLiteral("\\Zyn\\Blocked\\Port"));
    // A folder where the INI file should be: nothing can be written there,
    // whoever runs the test.
    QDir().mkpath(s.FileName());
    ASSERT_TRUE(s.Open(true));
    EXPECT_FALSE(s.WriteInt(QStringLiteral("ComPort"), 3));
}
