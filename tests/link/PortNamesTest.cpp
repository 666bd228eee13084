#include "platform/PortNames.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* name;
    int number;
    const char* device;
};

class PortNameDefaults : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNameDefaults, ResolvesWithoutAMap)
{
    const NameCase c = GetParam();
    EXPECT_EQ(PortNames::PortNumber(QString::fromLatin1(c.name)), c.number);
    EXPECT_EQ(PortNames::DefaultDevice(c.number), QString::fromLatin1(c.device));
    // Nothing in these tests maps these numbers, for either program.
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Telemetry, QString::fromLatin1(c.name)),
              QString::fromLatin1(c.device));
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Pmr, QString::fromLatin1(c.name)),
              QString::fromLatin1(c.device));
}

INSTANTIATE_TEST_SUITE_P(Cases, PortNameDefaults,
                         ::testing::Values(NameCase{"COM1", 1, "/dev/ttyS0"},
                                           NameCase{"COM2", 2, "/dev/ttyS1"},
                                           NameCase{"COM32", 32, "/dev/ttyS31"},
                                           NameCase{"COM33", 33, "/dev/ttyUSB0"},
                                           NameCase{"COM64", 64, "/dev/ttyUSB31"},
                                           NameCase{"COM65", 65, "/dev/ttyACM0"},
                                           NameCase{"COM96", 96, "/dev/ttyACM31"},
                                           NameCase{"COM97", 97, ""},
                                           NameCase{"COM256", 256, ""},
                                           NameCase{"com4", 4, "/dev/ttyS3"},
                                           NameCase{"COM0", 0, ""},
                                           NameCase{"COMx", 0, ""},
                                           NameCase{"COM", 0, ""},
                                           NameCase{"COM3a", 0, ""},
                                           NameCase{"LPT1", 0, ""},
                                           NameCase{"", 0, ""}));

TEST(PortNames, EachProgramHasItsOwnMap)
{
    Settings telemetry(PortNames::MapKey(Deliverable::Telemetry));
    ASSERT_TRUE(telemetry.Open(true));
    ASSERT_TRUE(telemetry.WriteString(QStringLiteral("COM12"), QStringLiteral("/dev/ttyUSB7")));
    telemetry.Close();
    Settings pmr(PortNames::MapKey(Deliverable::Pmr));
    ASSERT_TRUE(pmr.Open(true));
    ASSERT_TRUE(pmr.WriteString(QStringLiteral("COM150"), QStringLiteral("/dev/ttyACM9")));
    pmr.Close();

    EXPECT_EQ(PortNames::DevicePath(Deliverable::Telemetry, QStringLiteral("COM12")),
              QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Telemetry, QStringLiteral("com12")),
              QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Pmr, QStringLiteral("COM12")),
              QStringLiteral("/dev/ttyS11"));
    // A map entry gives a device to a number that has no default one.
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Pmr, QStringLiteral("COM150")),
              QStringLiteral("/dev/ttyACM9"));
    EXPECT_EQ(PortNames::DevicePath(Deliverable::Telemetry, QStringLiteral("COM150")), QString());
}

} // namespace
