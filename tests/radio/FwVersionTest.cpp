// Identity checks, firmware/image check and the Radio Summary window, the
// window against the simulated radio over a pseudo-terminal.
#include "radio/Fw_version.h"

#include "RadioSimulator.h"
#include "ScriptedDialogs.h"
#include "link/Win32port.h"
#include "radio/Radio.h"
#include "radio/Radiotype.h"
#include "ui_Fw_version.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using D = Deliverable;

TEST(IdentityText, SupportAndFirmwareVersion)
{
    struct Case {
        const char* ident;
        bool supported;
        int major, minor;
    };
    const Case cases[] = {
        {"QL4100P v3.01", true, 3, 1},
        {"QL4100T v2.10", true, 2, 10},
        {"QL4100D v1.00", true, 1, 0},
        {"QL4100", true, 0, 0},
        {"QL410", false, 0, 0},
        {"", false, 0, 0},
        {"ql4100P v3.01", false, 3, 1},
        {"XYZ1234 v4.56", false, 4, 56},
        {"QL4100 vx.xx", true, 0, 0},
        {"QL4100P v3.1", true, 3, 1},
        {"QL4100P v3.0a", true, 3, 0},
        {"QL4100P v-.-5", true, 0, 0},
        {"QL4100P v 3.01", true, 0, 0},
        {"QL4100P v9.99 beta", true, 9, 99},
    };
    for (const Case& c : cases) {
        const QString ident = QString::fromLatin1(c.ident);
        EXPECT_EQ(IsSupportedIdent(ident), c.supported) << c.ident;
        int major = -1, minor = -1;
        ParseFirmwareVersion(ident, major, minor);
        EXPECT_EQ(major, c.major) << c.ident;
        EXPECT_EQ(minor, c.minor) << c.ident;
    }
}

TEST(DeliverableForIdent, TheVariantLetterChoosesTheRules)
{
    using D = Deliverable;
    const struct {
        const char* ident;
        D rules;
    } cases[] = {
        {"QL4100P v3.01", D::Pmr}, {"QL4100T v2.10", D::Telemetry}, {"QL4100D v1.00", D::Telemetry},
        {"QL4100p v3.01", D::Telemetry}, {"QL4100", D::Telemetry}, {"", D::Telemetry},
        {"XYZ123P", D::Pmr}, // the letter alone decides; the caller checks the family
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeliverableForIdent(QString::fromLatin1(c.ident)), c.rules) << c.ident;
}

TEST(RadioSummaryTypeName, PerDeliverable)
{
    struct Case {
        D d;
        int type, flags;
        const char* name;
    };
    const Case cases[] = {
        {D::Telemetry, 0, 0x20, "Telemetry"},       {D::Pmr, 0, 0x00, "Telemetry"},
        {D::Telemetry, 0, 0x28, "Repeater Input"},  {D::Pmr, 0, 0x28, "Repeater Input"},
        {D::Telemetry, 0, 0x08, "Repeater Output"}, {D::Telemetry, 1, 0x08, "Data"},
        {D::Pmr, 1, 0x00, "Data"},                  {D::Telemetry, 2, 0x00, "PMR"},
        {D::Pmr, 2, 0x28, "PMR"},                   {D::Pmr, 12, 0x00, "Stunned radio"},
        {D::Pmr, 12, 0x28, "Stunned radio"},        {D::Telemetry, 12, 0x00, "Unknown radio type"},
        {D::Telemetry, 3, 0x00, "Unknown radio type"}, {D::Pmr, 3, 0x00, "Unknown radio type"},
        {D::Pmr, 255, 0x08, "Unknown radio type"},  {D::Pmr, -1, 0x00, "Unknown radio type"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RadioSummaryTypeName(c.d, c.type, c.flags).toStdString(), c.name)
            << (c.d == D::Pmr ? "pmr " : "telemetry ") << c.type << "/" << c.flags;
}

TEST(FirmwareMatchesImage, EachProgramTakesItsOwnFamilies)
{
    struct Case {
        D d;
        const char* ident;
        int imageType;
        bool matches;
    };
    const Case cases[] = {
        {D::Telemetry, "QL4100T v2.10", 0, true},
        {D::Telemetry, "QL4100T", 0, true},
        {D::Telemetry, "QL4100D v2.10", 0, false},
        {D::Telemetry, "QL4100D v2.10", 1, true},
        {D::Telemetry, "QL4100T v2.10", 1, false},
        {D::Telemetry, "QL4100P v3.01", 2, false},
        {D::Telemetry, "QL4100T v2.10", 12, false},
        {D::Telemetry, "QL4100", 0, false},
        {D::Telemetry, "ql4100t v2.10", 0, false},
        {D::Pmr, "QL4100P v3.01", 2, true},
        {D::Pmr, "QL4100P", 2, true},
        {D::Pmr, "QL4100T v2.10", 2, false},
        {D::Pmr, "QL4100T v2.10", 0, false},
        {D::Pmr, "QL4100D v2.10", 1, false},
        {D::Pmr, "QL4100P v3.01", 12, false},
        {D::Pmr, "QL4100P v3.01", 0, false},
        {D::Pmr, "", 2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirmwareMatchesImage(c.d, QString::fromLatin1(c.ident), c.imageType), c.matches)
            << (c.d == D::Pmr ? "pmr " : "telemetry ") << c.ident << " / " << c.imageType;
}

TEST(FirmwareMismatchText, NamesFirmwareAndRequirement)
{
    struct Case {
        const char* ident;
        int imageType;
        const char* text;
    };
    const Case cases[] = {
        {"QL4100T v2.10", 2,
         "Radio type does not match firmware QL4100T.\nPMR radio requires firmware QL4100P.\n\nContinue?"},
        {"QL4100D v2.10", 0,
         "Radio type does not match firmware QL4100D.\nTelemetry radio requires firmware "
         "QL4100T.\n\nContinue?"},
        {"QL4100P v3.01", 1,
         "Radio type does not match firmware QL4100P.\nData radio requires firmware QL4100D.\n\nContinue?"},
        {"QL4100X v1.00", 7,
         "Radio type does not match firmware QL4100X.\nUnknown radio requires firmware "
         "QL4100X.\n\nContinue?"},
        {"QL4100P v3.01", 12,
         "Radio type does not match firmware QL4100P.\nUnknown radio requires firmware "
         "QL4100P.\n\nContinue?"},
        {"QL41", 2, "Radio type does not match firmware QL41.\nPMR radio requires firmware QL4100P.\n\nContinue?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirmwareMismatchText(QString::fromLatin1(c.ident), c.imageType).toStdString(), c.text)
            << c.ident << " / " << c.imageType;
    // The image's repeater flags name a repeater image.
    EXPECT_EQ(FirmwareMismatchText(QStringLiteral("QL4100D v2.10"), 0, 0x28).toStdString(),
              "Radio type does not match firmware QL4100D.\nRepeater Input radio requires firmware "
              "QL4100T.\n\nContinue?");
    EXPECT_EQ(FirmwareMismatchText(QStringLiteral("QL4100T v2.10"), 12, 0x28).toStdString(),
              "Radio type does not match firmware QL4100T.\nUnknown radio requires firmware "
              "QL4100T.\n\nContinue?");
}

TEST(ConfirmFirmwareMismatch, GoesOnOnlyOnOk)
{
    struct Case {
        Dialogs::Answer answer;
        bool result;
    };
    const Case cases[] = {{Dialogs::Answer::Ok, true}, {Dialogs::Answer::Cancel, false}};
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        dialogs.AnswerNext(c.answer);
        EXPECT_EQ(ConfirmFirmwareMismatch(dialogs, nullptr, QStringLiteral("QL4100T v2.10"), 2), c.result);
        ASSERT_EQ(dialogs.messages.size(), 1);
        const ScriptedDialogs::Shown& shown = dialogs.messages.front();
        EXPECT_EQ(shown.text.toStdString(),
                  "Radio type does not match firmware QL4100T.\nPMR radio requires firmware QL4100P.\n\nContinue?");
        EXPECT_EQ(shown.caption, QStringLiteral("Warning"));
        EXPECT_EQ(shown.buttons, Dialogs::Buttons::OkCancel);
        EXPECT_EQ(shown.icon, Dialogs::Icon::Warning);
    }
}

// A simulated radio of the deliverable's family, the program's port open on
// it and a radio session attached.
struct SimRadio {
    explicit SimRadio(D d) : deliverable(d), port(d), radio(d)
    {
        SimOptions options;
        options.family = d == D::Pmr ? SimOptions::Family::Pmr : SimOptions::Family::Telemetry;
        sim = std::make_unique<RadioSimulator>(options);
    }
    ~SimRadio()
    {
        radio.AttachPort(nullptr);
        port.Close();
    }
    bool Start()
    {
        if (!sim->Start() || !port.OpenDevice(QString::fromStdString(sim->SlavePath())))
            return false;
        radio.AttachPort(&port);
        return true;
    }
    void SetIdentityBytes(int hardware, int type, int flags)
    {
        sim->SetMemory(RadioIdent::kHardwareAddress, {static_cast<uint8_t>(hardware)});
        sim->SetMemory(RadioIdent::kRadioTypeAddress, {static_cast<uint8_t>(type)});
        sim->SetMemory(RadioIdent::kModeAddress, {static_cast<uint8_t>(flags)});
    }

    D deliverable;
    std::unique_ptr<RadioSimulator> sim;
    Win32Port port;
    TRadio radio;
};

struct Labels {
    std::string version, type, model;
};

Labels ReadLabels(TfrmFirmwareVersion& w)
{
    return {w.Form().lblVersion->text().toStdString(), w.Form().lblRadioType->text().toStdString(),
            w.Form().lblRadioModel->text().toStdString()};
}

TEST(RadioSummary, FormControls)
{
    TRadio radio(D::Telemetry);
    TfrmFirmwareVersion w(D::Telemetry, radio);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Radio Summary"));
    EXPECT_EQ(w.Form().Label1->text(), QStringLiteral("Firmware Version:"));
    EXPECT_EQ(w.Form()._lblRadioType->text(), QStringLiteral("Radio Type:"));
    EXPECT_EQ(w.Form().Label2->text(), QStringLiteral("Radio Hardware:"));
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));
}

TEST(RadioSummary, ShowsWhatTheRadioSays)
{
    struct Case {
        D d;
        int hardware, type, flags;
        const char* typeLabel;
        const char* modelLabel;
    };
    const Case cases[] = {
        {D::Telemetry, 0x60, 0, 0x28, "Repeater Input", "QL4100 [mod1] UHF"},
        {D::Telemetry, 0x40, 1, 0x08, "Data", "QL4120V VHF"},
        {D::Telemetry, 0x4C, 0, 0x08, "Repeater Output", "QL4120V VHF LOWBAND"},
        {D::Telemetry, 0x74, 0, 0x20, "Telemetry", "QL4100 UHF LOWBAND"},
        {D::Telemetry, 0x78, 12, 0x00, "Unknown radio type", "QL4100 UHF LOWBAND"},
        {D::Telemetry, 0x71, 2, 0x00, "PMR", "QL4300 UHF"},
        {D::Pmr, 0x00, 2, 0x00, "PMR", "QL4120U (450-520MHz) (new hd)"},
        {D::Pmr, 0x4C, 12, 0x00, "Stunned radio", "QL4120V (60-80MHz) (new hd)"},
        {D::Pmr, 0xE0, 7, 0x28, "Unknown radio type", "QL4100 Mod1 (450-520MHz) (old hd)"},
        {D::Pmr, 0x7C, 0, 0x08, "Repeater Output", "QL4100 (403-477MHz) (new hd)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.d == D::Pmr ? "pmr " : "telemetry ") << std::hex
                                        << c.hardware << " " << c.type);
        SimRadio bench(c.d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.SetIdentityBytes(c.hardware, c.type, c.flags);
        const std::string ident =
            c.d == D::Pmr ? std::string("QL4100P v3.01") : std::string("QL4100T v2.10");

        TfrmFirmwareVersion w(c.d, bench.radio);
        w.FormShow();
        const Labels labels = ReadLabels(w);
        EXPECT_EQ(labels.version, ident);
        EXPECT_EQ(labels.type, c.typeLabel);
        EXPECT_EQ(labels.model, c.modelLabel);

        EXPECT_EQ(w.CopyIdent().toStdString(), ident);
        int type = -1, flags = -1;
        w.CopyTypeAndFlags(type, flags);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(w.HardwareByte(), c.hardware);
        const ModelRecord expected = DecodeHardware(c.d, c.hardware);
        EXPECT_EQ(w.CopyModel().text, expected.text);
        EXPECT_EQ(w.CopyModel().flags, expected.flags);
    }
}

class RadioSummarySim : public ::testing::TestWithParam<D> {
protected:
    void SetUp() override { ASSERT_TRUE(bench.Start()) << bench.sim->Error(); }
    bool Pmr() const { return GetParam() == D::Pmr; }
    std::string Ident() const { return Pmr() ? "QL4100P v3.01" : "QL4100T v2.10"; }

    SimRadio bench{GetParam()};
};

TEST_P(RadioSummarySim, AsksIdentityThenTypeFlagsAndHardwareOutsideASession)
{
    bench.SetIdentityBytes(0x4C, 0, 0x28);
    bench.sim->ClearRequests();
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.FormShow();

    ASSERT_TRUE(bench.sim->WaitForRequests(4, 2000));
    const std::vector<RadioSimulator::Request> requests = bench.sim->Requests();
    ASSERT_EQ(requests.size(), 4u);
    const int codes[] = {0x02, 0x46, 0x46, 0x46};
    const int addresses[] = {-1, 50, 78, 40};
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].code, codes[i]) << i;
        EXPECT_EQ(requests[i].address, addresses[i]) << i;
    }
}

TEST_P(RadioSummarySim, ShowingTheWindowQueriesTheRadio)
{
    bench.SetIdentityBytes(0x60, 1, 0x00);
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.show();
    EXPECT_EQ(ReadLabels(w).version, Ident());
    EXPECT_EQ(ReadLabels(w).type, "Data");
    w.Form().btnClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_P(RadioSummarySim, SilentRadioClearsTheLabels)
{
    bench.SetIdentityBytes(0x4C, 12, 0x08);
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.FormShow();
    ASSERT_EQ(ReadLabels(w).version, Ident());

    bench.sim->SetSilent(true);
    w.FormShow();
    const Labels labels = ReadLabels(w);
    EXPECT_EQ(labels.version, "No radio connected");
    EXPECT_EQ(labels.type, "");
    EXPECT_EQ(labels.model, "");
    // Nothing of the radio that answered before is handed on; ql4100p
    // also forgets the hardware byte on every show.
    EXPECT_TRUE(w.CopyIdent().isEmpty());
    int type = 0, flags = -1;
    w.CopyTypeAndFlags(type, flags);
    EXPECT_EQ(type, -1);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(RadioTypeName(type, flags), QStringLiteral("Unknown"));
    EXPECT_EQ(w.HardwareByte(), Pmr() ? 0 : 0x4C);
    EXPECT_TRUE(w.CopyModel().text.isEmpty());
}

TEST_P(RadioSummarySim, NeverAnsweringRadioOnAFreshWindow)
{
    bench.sim->SetSilent(true);
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.FormShow();
    EXPECT_EQ(ReadLabels(w).version, "No radio connected");
    EXPECT_TRUE(w.CopyIdent().isEmpty());
    EXPECT_TRUE(w.CopyModel().text.isEmpty());
}

TEST_P(RadioSummarySim, ForeignIdentityShowsOnlyTheText)
{
    bench.sim->SetIdent("XYZ1234 v1.00");
    bench.sim->ClearRequests();
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.FormShow();
    const Labels labels = ReadLabels(w);
    EXPECT_EQ(labels.version, "XYZ1234 v1.00");
    EXPECT_EQ(labels.type, "");
    EXPECT_EQ(labels.model, "");
    EXPECT_EQ(bench.sim->Requests().size(), 1u);
}

TEST_P(RadioSummarySim, FailedByteReadsKeepThePreviousValues)
{
    bench.SetIdentityBytes(0x4C, 1, 0x08);
    TfrmFirmwareVersion w(GetParam(), bench.radio);
    w.FormShow();
    ASSERT_EQ(ReadLabels(w).type, "Data");

    // The radio answers the identity query, then goes quiet.
    bench.SetIdentityBytes(0x00, 2, 0x00);
    bench.sim->SetFailAfter(bench.sim->RepliesSent() + 1);
    w.FormShow();
    const Labels labels = ReadLabels(w);
    EXPECT_EQ(labels.version, Ident());
    EXPECT_EQ(labels.type, "Data");
    int type = -1, flags = -1;
    w.CopyTypeAndFlags(type, flags);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(flags, 0x08);
    if (Pmr()) {
        EXPECT_EQ(w.HardwareByte(), 0);
        EXPECT_EQ(labels.model, "QL4120U (450-520MHz) (new hd)");
    } else {
        EXPECT_EQ(w.HardwareByte(), 0x4C);
        EXPECT_EQ(labels.model, "QL4120V VHF LOWBAND");
    }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, RadioSummarySim, ::testing::Values(D::Telemetry, D::Pmr),
                         [](const ::testing::TestParamInfo<D>& info) {
                             return info.param == D::Pmr ? "Pmr" : "Telemetry";
                         });

} // namespace
