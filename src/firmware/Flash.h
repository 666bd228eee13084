#pragma once

#include "firmware/Srecord.h"
#include "platform/Deliverable.h"
#include "platform/Event.h"

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

class Win32Port;

// The radio microcontroller's boot loader protocol, spoken byte by byte over
// the serial port, and the flash image to be programmed. Every reply is
// awaited with the port's 500 ms read waits; the only retries are the status
// polls of erase and program. Needs session notification off on the port.
class TFlash {
public:
    static constexpr int kPageSize = FlashImage::kPageSize;

    explicit TFlash(Win32Port& port);
    TFlash(const TFlash&) = delete;
    TFlash& operator=(const TFlash&) = delete;

    bool SendByte(uint8_t b);
    void Flush();
    // Status word: s0 in the low byte, s1 in the high byte. True if both
    // bytes came.
    bool ReadStatus(int& status);
    bool ClearStatus();
    // Wakes the loader (or finds it awake) and lets it detect the line speed.
    bool Connect();
    // Changes the loader's and then the port's line speed: 9600, 19200,
    // 38400 or 57600.
    bool SetSpeed(int rate);
    // The port's speed only.
    bool SetPortSpeed(int rate);
    // Up to 8 characters of loader version text.
    bool ReadVersion(QString& text);
    bool CheckId(uint32_t address, const uint8_t* id, int length);
    bool EraseAll();
    // A blank page (all 0xFF) is not sent.
    bool ProgramPage(uint32_t address, const uint8_t* page);
    bool ReadPage(uint32_t address, uint8_t* page);
    static bool ComparePage(const uint8_t* a, const uint8_t* b);

    uint32_t FirstUsedAddress() const { return image_.FirstUsedAddress(); }
    bool LoadSRecordFile(const QString& path) { return image_.LoadSRecordFile(path); }
    FlashImage& Image() { return image_; }
    const FlashImage& Image() const { return image_; }

    // The last speed set, for reference.
    int CurrentRate() const { return currentRate_; }

private:
    void Send(const uint8_t* bytes, int length);
    void Sleep(int ms) const { pause_.Wait(ms); }

    Win32Port& port_;
    FlashImage image_;
    int currentRate_ = 9600;
    Event pause_; // never set: its timed wait is the protocol's pause
};

// The firmware upgrade: connect, speed change, version, ID check, erase,
// program and optional verify, shown stage by stage through a front end.
// Runs on the caller's (GUI) thread; the front end keeps the window alive in
// ProcessEvents, which is also where a Cancel press is seen.
class FlashUpgrade {
public:
    enum class Stage { File, Connect, Version, Id, Erase, Write, Verify };
    enum class Colour { White, Yellow, Green, Red };
    enum class Outcome { Complete, Cancelled, Error };

    class FrontEnd {
    public:
        virtual ~FrontEnd() = default;
        virtual void SetStageColour(Stage stage, Colour colour) = 0;
        virtual void SetStageText(Stage stage, const QString& text) = 0;
        virtual void AddHelpLine(const QString& line) = 0;
        virtual void SetProgressRange(int maximum) = 0; // minimum is 0
        virtual void SetProgress(int position) = 0;
        // Called after each indicator change and each page.
        virtual void ProcessEvents() = 0;
    };

    static constexpr uint32_t kIdAddress = 0xFFFDF;
    static constexpr int kIdLength = 7;
    using IdCode = std::array<uint8_t, kIdLength>;

    FlashUpgrade(TFlash& flash, Win32Port& port, Deliverable deliverable, FrontEnd& frontEnd);

    // Every indicator white with its idle text, progress 0.
    void Reset();
    // Loads the firmware file into the image and shows the result on the
    // file stage.
    bool LoadFile(const QString& path);
    // The whole run with the radio session held off: the sequence, the
    // outcome line, the return to 9600 bit/s.
    Outcome Run(int maxRate, bool verify, const IdCode& id);
    // The stages alone; true when complete (a failed verify included).
    bool Sequence(int maxRate, bool verify, const IdCode& id);

    // Seen before each page.
    void Cancel() { cancel_.store(true); }
    bool CancelRequested() const { return cancel_.load(); }
    bool Running() const { return running_; }

private:
    void Show(Stage stage, Colour colour);
    void Show(Stage stage, Colour colour, const QString& text);
    static QString Hex8(uint32_t value);

    TFlash& flash_;
    Win32Port& port_;
    const Deliverable deliverable_;
    FrontEnd& ui_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
};

// The boot loader ID code the upgrade sends: the value "FlashIdCode" (14
// hexadecimal digits) in the program's Port settings. Missing or malformed:
// seven 0xFF bytes.
bool ParseFlashIdCode(const QString& text, FlashUpgrade::IdCode& id);
FlashUpgrade::IdCode ReadFlashIdCode(Deliverable deliverable);
