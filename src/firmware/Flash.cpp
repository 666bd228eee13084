#include "firmware/Flash.h"

#include "link/Win32port.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kWake = 0x00;
constexpr uint8_t kReadStatus = 0x70;
constexpr uint8_t kClearStatus = 0x50;
constexpr uint8_t kSpeed9600 = 0xB0;
constexpr uint8_t kReadVersion = 0xFB;
constexpr uint8_t kIdCheck = 0xF5;
constexpr uint8_t kEraseAll[] = {0xA7, 0xD0};
constexpr uint8_t kReadPage = 0xFF;
constexpr uint8_t kProgramPage = 0x41;

constexpr int kWakeBytes = 17;
constexpr int kVersionLength = 8;
constexpr int kReadyPolls = 10;

// s0 is the low byte of the status word, s1 the high byte.
constexpr int kReady = 0x80;
constexpr int kEraseError = 0x20;
constexpr int kProgramError = 0x10;
constexpr int kIdAccepted = 0x0C00;

} // namespace

TFlash::TFlash(Win32Port& port)
    : port_(port)
{
}

bool TFlash::SendByte(uint8_t b)
{
    port_.Write(&b, 1);
    return true;
}

void TFlash::Send(const uint8_t* bytes, int length)
{
    port_.Write(bytes, length);
}

void TFlash::Flush()
{
    port_.FlushReceive();
}

bool TFlash::ReadStatus(int& status)
{
    SendByte(kReadStatus);
    uint8_t s[2] = {};
    if (port_.ReadWait(s, 2) != 2)
        return false;
    status = s[0] + 256 * s[1];
    return true;
}

bool TFlash::ClearStatus()
{
    return SendByte(kClearStatus);
}

bool TFlash::Connect()
{
    int status = 0;
    if (ReadStatus(status))
        return true;
    Flush();
    for (int i = 0; i < kWakeBytes; ++i) {
        SendByte(kWake);
        Sleep(20);
    }
    // The loader answers a long enough run of zeros once, at the speed it
    // detected, with the 9600 bit/s code.
    uint8_t reply = 0;
    return port_.ReadWait(&reply, 1) == 1 && reply == kSpeed9600;
}

bool TFlash::SetSpeed(int rate)
{
    Flush();
    uint8_t code = 0;
    switch (rate) {
    case 9600: code = 0xB0; break;
    case 19200: code = 0xB1; break;
    case 38400: code = 0xB2; break;
    case 57600: code = 0xB3; break;
    default: return false;
    }
    SendByte(code);
    Sleep(20);
    // The echo still comes at the old speed.
    uint8_t echo = 0;
    if (port_.ReadWait(&echo, 1) != 1 || echo != code)
        return false;
    port_.SetBaudRate(rate);
    currentRate_ = rate;
    Sleep(20);
    Flush();
    int status = 0;
    return ReadStatus(status);
}

bool TFlash::SetPortSpeed(int rate)
{
    port_.SetBaudRate(rate);
    currentRate_ = rate;
    return true;
}

bool TFlash::ReadVersion(QString& text)
{
    Flush();
    SendByte(kReadVersion);
    char bytes[kVersionLength + 1] = {};
    const int count = port_.ReadWait(reinterpret_cast<uint8_t*>(bytes), kVersionLength);
    bytes[std::max(count, 0)] = '\0';
    text = QString::fromLatin1(bytes);
    return count > 0;
}

bool TFlash::CheckId(uint32_t address, const uint8_t* id, int length)
{
    Flush();
    uint8_t command[5 + 255];
    length = std::clamp(length, 0, 255);
    command[0] = kIdCheck;
    command[1] = static_cast<uint8_t>(address);
    command[2] = static_cast<uint8_t>(address >> 8);
    command[3] = static_cast<uint8_t>(address >> 16);
    command[4] = static_cast<uint8_t>(length);
    std::memcpy(command + 5, id, static_cast<size_t>(length));
    Send(command, 5 + length);
    int status = 0;
    return ReadStatus(status) && (status & kIdAccepted) == kIdAccepted;
}

bool TFlash::EraseAll()
{
    Flush();
    Send(kEraseAll, sizeof kEraseAll);
    Sleep(200);
    int status = 0;
    bool ready = false;
    for (int poll = 0; poll < kReadyPolls && !ready; ++poll) {
        Sleep(40);
        ready = ReadStatus(status) && (status & kReady);
    }
    if (!ready)
        return false;
    if (status & kEraseError) {
        ClearStatus();
        return false;
    }
    return true;
}

bool TFlash::ProgramPage(uint32_t address, const uint8_t* page)
{
    if (std::all_of(page, page + kPageSize, [](uint8_t b) { return b == 0xFF; }))
        return true;
    Flush();
    ClearStatus();
    uint8_t command[3 + kPageSize];
    command[0] = kProgramPage;
    command[1] = static_cast<uint8_t>(address >> 8);
    command[2] = static_cast<uint8_t>(address >> 16);
    std::memcpy(command + 3, page, kPageSize);
    Send(command, sizeof command);
    Sleep(50);
    int status = 0;
    bool ready = false;
    for (int poll = 0; poll < kReadyPolls; ++poll) {
        if (ReadStatus(status) && (status & kReady)) {
            ready = true;
            break;
        }
        Sleep(40);
    }
    if (!ready)
        return false;
    Flush();
    if (!ReadStatus(status))
        return false;
    if (status & kProgramError) {
        ClearStatus();
        return false;
    }
    return true;
}

bool TFlash::ReadPage(uint32_t address, uint8_t* page)
{
    Flush();
    const uint8_t command[] = {kReadPage, static_cast<uint8_t>(address >> 8),
                               static_cast<uint8_t>(address >> 16)};
    Send(command, sizeof command);
    return port_.ReadWait(page, kPageSize) == kPageSize;
}

bool TFlash::ComparePage(const uint8_t* a, const uint8_t* b)
{
    return std::memcmp(a, b, kPageSize) == 0;
}

// ---- upgrade sequence ----

FlashUpgrade::FlashUpgrade(TFlash& flash, Win32Port& port, Deliverable deliverable, FrontEnd& frontEnd)
    : flash_(flash), port_(port), deliverable_(deliverable), ui_(frontEnd)
{
}

void FlashUpgrade::Reset()
{
    ui_.SetStageText(Stage::File, QStringLiteral("File not loaded."));
    ui_.SetStageText(Stage::Connect, QStringLiteral("Not connected"));
    ui_.SetStageText(Stage::Version, QStringLiteral("Version"));
    ui_.SetStageText(Stage::Id, QStringLiteral("ID not checked"));
    ui_.SetStageText(Stage::Erase, QStringLiteral("Device not erased"));
    ui_.SetStageText(Stage::Write, QStringLiteral("New file not written"));
    ui_.SetStageText(Stage::Verify, QStringLiteral("New file not verified"));
    for (Stage stage : {Stage::File, Stage::Connect, Stage::Version, Stage::Id, Stage::Erase,
                        Stage::Write, Stage::Verify})
        ui_.SetStageColour(stage, Colour::White);
    ui_.SetProgress(0);
}

bool FlashUpgrade::LoadFile(const QString& path)
{
    if (!flash_.LoadSRecordFile(path)) {
        Show(Stage::File, Colour::Red, QStringLiteral("Error opening file"));
        return false;
    }
    Show(Stage::File, Colour::Green, QStringLiteral("File Loaded"));
    return true;
}

FlashUpgrade::Outcome FlashUpgrade::Run(int maxRate, bool verify, const IdCode& id)
{
    running_ = true;
    cancel_.store(false);
    // The radio session must not take the loader's replies.
    port_.DisableSessionNotify();

    const bool complete = Sequence(maxRate, verify, id);
    Outcome outcome = Outcome::Complete;
    if (complete) {
        ui_.AddHelpLine(QStringLiteral("Flash update complete."));
    } else if (cancel_.load()) {
        outcome = Outcome::Cancelled;
        ui_.AddHelpLine(QStringLiteral("Flash update cancelled."));
    } else {
        outcome = Outcome::Error;
        ui_.AddHelpLine(QStringLiteral("Flash update error."));
    }

    const bool reset = flash_.SetSpeed(9600);
    if (deliverable_ == Deliverable::Pmr)
        ui_.AddHelpLine(reset ? QStringLiteral("Reset comms to 9600Bd")
                              : QStringLiteral("Unable to reset comm port to 9600Bd"));

    port_.EnableSessionNotify();
    running_ = false;
    return outcome;
}

bool FlashUpgrade::Sequence(int maxRate, bool verify, const IdCode& id)
{
    const uint32_t start = std::clamp<uint32_t>(flash_.FirstUsedAddress(), FlashImage::kBase,
                                                FlashImage::kEnd - 1);
    const uint32_t end = FlashImage::kEnd - 1;

    flash_.Flush();
    flash_.SetPortSpeed(9600);

    ui_.SetStageText(Stage::Connect, QStringLiteral("Connecting..."));
    Show(Stage::Connect, Colour::Green);
    if (!flash_.Connect()) {
        Show(Stage::Connect, Colour::Red, QStringLiteral("Failed Connect"));
        return false;
    }
    Show(Stage::Connect, Colour::Green, QStringLiteral("Connected"));

    if (!flash_.SetSpeed(maxRate)) {
        Show(Stage::Connect, Colour::Red, QStringLiteral("Failed to set baud rate"));
        return false;
    }

    Show(Stage::Version, Colour::Yellow);
    QString version;
    if (!flash_.ReadVersion(version)) {
        Show(Stage::Version, Colour::Red, QStringLiteral("Cannot read version"));
        return false;
    }
    Show(Stage::Version, Colour::Green, version);

    Show(Stage::Id, Colour::Yellow);
    if (!flash_.CheckId(kIdAddress, id.data(), kIdLength)) {
        Show(Stage::Id, Colour::Red, QStringLiteral("ID Check Failed"));
        return false;
    }
    Show(Stage::Id, Colour::Green, QStringLiteral("ID Check Passed"));

    Show(Stage::Erase, Colour::Yellow, QStringLiteral("Erasing..."));
    if (!flash_.EraseAll()) {
        Show(Stage::Erase, Colour::Red, QStringLiteral("Erase Fail"));
        return false;
    }
    Show(Stage::Erase, Colour::Green, QStringLiteral("Erased"));

    const uint8_t* image = flash_.Image().Data();
    ui_.AddHelpLine(QStringLiteral("Programming ") + Hex8(start) + QStringLiteral(" - ") + Hex8(end));
    Show(Stage::Write, Colour::Yellow, QStringLiteral("Programming..."));
    ui_.SetProgressRange(static_cast<int>((end - start) / TFlash::kPageSize));
    int done = 0;
    ui_.SetProgress(done);
    for (uint32_t address = start; address < end; address += TFlash::kPageSize) {
        if (cancel_.load())
            return false;
        const bool ok = flash_.ProgramPage(address, image + (address - FlashImage::kBase));
        ui_.SetProgress(++done);
        ui_.ProcessEvents();
        if (!ok) {
            Show(Stage::Write, Colour::Red, QStringLiteral("Program Fail"));
            return false;
        }
    }
    Show(Stage::Write, Colour::Green, QStringLiteral("Programmed"));

    if (verify) {
        ui_.AddHelpLine(QStringLiteral("Verifying ") + Hex8(start) + QStringLiteral(" - ") + Hex8(end));
        Show(Stage::Verify, Colour::Yellow, QStringLiteral("Verifying..."));
        done = 0;
        ui_.SetProgress(done);
        bool same = true;
        uint8_t page[TFlash::kPageSize];
        for (uint32_t address = start; address < end && same; address += TFlash::kPageSize) {
            if (cancel_.load())
                return false;
            same = flash_.ReadPage(address, page)
                   && TFlash::ComparePage(page, image + (address - FlashImage::kBase));
            ui_.SetProgress(++done);
            ui_.ProcessEvents();
        }
        if (same)
            Show(Stage::Verify, Colour::Green, QStringLiteral("Verified"));
        else
            Show(Stage::Verify, Colour::Red, QStringLiteral("Verify Fail"));
    }
    return true;
}

void FlashUpgrade::Show(Stage stage, Colour colour)
{
    ui_.SetStageColour(stage, colour);
    ui_.ProcessEvents();
}

void FlashUpgrade::Show(Stage stage, Colour colour, const QString& text)
{
    ui_.SetStageText(stage, text);
    Show(stage, colour);
}

QString FlashUpgrade::Hex8(uint32_t value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

bool ParseFlashIdCode(const QString& text, FlashUpgrade::IdCode& id)
{
    if (text.size() != 2 * FlashUpgrade::kIdLength)
        return false;
    FlashUpgrade::IdCode parsed{};
    for (int i = 0; i < FlashUpgrade::kIdLength; ++i) {
        int value = 0;
        for (int j = 0; j < 2; ++j) {
            const char16_t c = text[2 * i + j].unicode();
            int digit = -1;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        parsed[i] = static_cast<uint8_t>(value);
    }
    id = parsed;
    return true;
}

FlashUpgrade::IdCode ReadFlashIdCode(Deliverable deliverable)
{
    FlashUpgrade::IdCode id;
    id.fill(0xFF);
    Settings key(PortNames::PortKey(deliverable));
    QString text;
    if (key.Open(false) && key.ReadString(QStringLiteral("FlashIdCode"), text)) {
        FlashUpgrade::IdCode parsed;
        if (ParseFlashIdCode(text, parsed))
            id = parsed;
    }
    return id;
}
