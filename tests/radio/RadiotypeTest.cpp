#include "radio/Radiotype.h"

#include <gtest/gtest.h>

TEST(RadioTypeName, FromTypeAndRepeaterFlags)
{
    struct Case {
        int type, flags;
        const char* name;
    };
    const Case cases[] = {
        {0, 0x00, "Telemetry"},       {0, 0x20, "Telemetry"},       {0, 0x07, "Telemetry"},
        {0, 0x28, "Repeater Input"},  {0, 0x08, "Repeater Output"}, {0, 0xFF, "Repeater Input"},
        {1, 0x00, "Data"},            {1, 0x28, "Data"},            {2, 0x00, "PMR"},
        {12, 0x00, "Unknown"},        {0x30, 0x00, "Unknown"},      {255, 0x00, "Unknown"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RadioTypeName(c.type, c.flags).toStdString(), c.name) << c.type << "/" << c.flags;
}

TEST(DecodeHardware, ModelTextsAndFlags)
{
    struct Case {
        Deliverable d;
        int h;
        const char* text;
        int flags;
    };
    using D = Deliverable;
    const Case cases[] = {
        {D::Telemetry, 0x00, "QL4120U", 0x40},
        {D::Pmr, 0x00, "QL4120U (450-520MHz) (new hd)", 0xC0},
        {D::Telemetry, 0x71, "QL4300", 0x10},
        {D::Pmr, 0x71, "QL4300 (450-520MHz) (new hd)", 0x90},
        {D::Pmr, 0x4C, "QL4120V (60-80MHz) (new hd)", 0xC3},
        {D::Telemetry, 0x4C, "QL4120V", 0x43},
        {D::Pmr, 0x40, "QL4120V (136-174MHz) (new hd)", 0xC1},
        {D::Telemetry, 0x60, "QL4100 [mod1]", 0x20},
        {D::Pmr, 0xE0, "QL4100 Mod1 (450-520MHz) (old hd)", 0x20},
        {D::Pmr, 0x7C, "QL4100 (403-477MHz) (new hd)", 0x82},
        {D::Telemetry, 0x73, "QL4300", 0x14},
        {D::Telemetry, 0x01, "QL4320U", 0x50},
    };
    for (const Case& c : cases) {
        const ModelRecord m = DecodeHardware(c.d, c.h);
        EXPECT_EQ(m.text.toStdString(), c.text) << std::hex << c.h;
        EXPECT_EQ(m.flags, c.flags) << std::hex << c.h;
    }
}

TEST(DecodeHardware, FlagQueries)
{
    EXPECT_TRUE(IsVhf(DecodeHardware(Deliverable::Telemetry, 0x40)));
    EXPECT_FALSE(IsVhf(DecodeHardware(Deliverable::Telemetry, 0x60)));
    EXPECT_TRUE(IsLowBand(DecodeHardware(Deliverable::Telemetry, 0x0C)));
    EXPECT_FALSE(IsLowBand(DecodeHardware(Deliverable::Telemetry, 0x08)));
    EXPECT_TRUE(IsTwentyModel(DecodeHardware(Deliverable::Telemetry, 0x00)));
    EXPECT_TRUE(IsQl4320(DecodeHardware(Deliverable::Telemetry, 0x01)));
    EXPECT_FALSE(IsQl4320(DecodeHardware(Deliverable::Telemetry, 0x71)));
    EXPECT_TRUE(IsNewHead(DecodeHardware(Deliverable::Pmr, 0x00)));
    EXPECT_FALSE(IsNewHead(DecodeHardware(Deliverable::Pmr, 0x80)));
    EXPECT_FALSE(IsNewHead(DecodeHardware(Deliverable::Telemetry, 0x00)));
}
