#include "pmr/Ctcss.h"

#include <gtest/gtest.h>

TEST(Ctcss, TablesHoldFiftyTonesAndOneHundredFourDcsCodes)
{
    EXPECT_EQ(kCtcssToneCount, 50);
    EXPECT_EQ(kDcsCodeCount, 104);
    EXPECT_EQ(kSubtoneOff, 50);
    EXPECT_EQ(kSubtoneFirstDcs, 51);
    EXPECT_EQ(kSubtoneLastDcs, 154);

    EXPECT_EQ(CtcssTenthsHz(0), 670);   // 67.0 Hz
    EXPECT_EQ(CtcssTenthsHz(49), 2541); // 254.1 Hz
    EXPECT_EQ(DcsCode(0), 023);
    EXPECT_EQ(DcsCode(103), 0754);
    for (int outside : {-1, 50, 1000})
        EXPECT_EQ(CtcssTenthsHz(outside), 0) << outside;
    for (int outside : {-1, 104, 1000})
        EXPECT_EQ(DcsCode(outside), 0) << outside;
}

TEST(Ctcss, TablesAreInRisingOrderAndDcsCodesAreThreeOctalDigits)
{
    for (int i = 1; i < kCtcssToneCount; ++i)
        EXPECT_LT(CtcssTenthsHz(i - 1), CtcssTenthsHz(i)) << i;
    for (int i = 0; i < kDcsCodeCount; ++i) {
        if (i > 0) {
            EXPECT_LT(DcsCode(i - 1), DcsCode(i)) << i;
        }
        EXPECT_GE(DcsCode(i), 010) << i;
        EXPECT_LE(DcsCode(i), 0777) << i;
    }
}

struct TextCase {
    int code;
    const char* text;
};

class SubtoneTexts : public testing::TestWithParam<TextCase> {};

TEST_P(SubtoneTexts, CodeShowsItsText)
{
    EXPECT_EQ(SubtoneText(GetParam().code), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Ctcss, SubtoneTexts,
                         testing::Values(TextCase{0, "CTC1 - 67.0"}, TextCase{1, "CTC2 - 69.4"},
                                         TextCase{9, "CTC10 - 91.5"}, TextCase{12, "CTC13 - 100.0"},
                                         TextCase{43, "CTC44 - 218.1"}, TextCase{49, "CTC50 - 254.1"},
                                         TextCase{50, "OFF"}, TextCase{51, "DCS 023"},
                                         TextCase{63, "DCS 071"}, TextCase{67, "DCS 114"},
                                         TextCase{153, "DCS 743"}, TextCase{154, "DCS 754"},
                                         TextCase{155, ""}, TextCase{255, ""}, TextCase{-1, ""},
                                         TextCase{256, ""}));

TEST(Ctcss, ToneAndDcsTextsByIndex)
{
    EXPECT_EQ(CtcssText(0), QStringLiteral("CTC1 - 67.0"));
    EXPECT_EQ(CtcssText(49), QStringLiteral("CTC50 - 254.1"));
    EXPECT_EQ(CtcssText(50), QString());
    EXPECT_EQ(CtcssText(-1), QString());
    EXPECT_EQ(DcsText(0), QStringLiteral("DCS 023"));
    EXPECT_EQ(DcsText(103), QStringLiteral("DCS 754"));
    EXPECT_EQ(DcsText(104), QString());
    EXPECT_EQ(DcsText(-1), QString());
}

TEST(Ctcss, EveryValidCodeHasATextAndNoInvalidOneHas)
{
    for (int code = 0; code <= 255; ++code) {
        const QString text = SubtoneText(code);
        if (code < 50)
            EXPECT_TRUE(text.startsWith(QStringLiteral("CTC%1 - ").arg(code + 1))) << code;
        else if (code == 50)
            EXPECT_EQ(text, QStringLiteral("OFF"));
        else if (code <= 154)
            EXPECT_TRUE(text.startsWith(QStringLiteral("DCS ")) && text.size() == 7) << code;
        else
            EXPECT_TRUE(text.isEmpty()) << code;
    }
}

struct PositionCase {
    int code;
    int position;
};

TEST(Ctcss, CodeToListPosition)
{
    const PositionCase cases[] = {
        {0, 1}, {49, 50}, {50, 0}, {51, 51}, {100, 100}, {154, 154}, {155, 0}, {255, 0}, {-1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SubtoneToPosition(c.code), c.position) << c.code;
}

TEST(Ctcss, ListPositionToCode)
{
    const PositionCase cases[] = {
        {50, 0}, {0, 1}, {49, 50}, {51, 51}, {100, 100}, {154, 154}, {50, 155}, {50, 255}, {50, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PositionToSubtone(c.position), c.code) << c.position;
}

TEST(Ctcss, PositionsAndCodesCorrespondOneToOne)
{
    bool seen[155] = {};
    for (int code = 0; code <= 154; ++code) {
        const int position = SubtoneToPosition(code);
        ASSERT_GE(position, 0);
        ASSERT_LE(position, 154);
        EXPECT_FALSE(seen[position]) << code;
        seen[position] = true;
        EXPECT_EQ(PositionToSubtone(position), code);
    }
}
