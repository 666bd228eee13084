#pragma once

#include "SimFrames.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

struct SimOptions {
    enum class Family { Telemetry, Data, Repeater, Pmr } family = Family::Telemetry;
    std::string memoryFile, ident, saveFile;
    bool silent = false;     // never answers
    int failAfter = -1;      // stops answering after this many replies (-1: never)
    int lateMs = 0;          // every reply this late, order kept
    bool wrongEcho = false;  // read replies echo address + 8
    double noise = 0;        // chance of a stray byte before each reply
    unsigned seed = 1;       // for the noise
    int lineRate = 0;        // bits per second the output is paced at (0: unpaced)
    bool repeaterInput = false; // Family::Repeater: an input rather than an output repeater

    // The radio starts in its boot loader (service adapter fitted) rather
    // than in the application firmware.
    bool bootloader = false;
    std::vector<uint8_t> idCode = std::vector<uint8_t>(7, 0xFF); // the flash ID the loader accepts
    std::string bootVersion = "BL v1.00"; // version text, at most 8 bytes sent
    std::string flashFile;     // raw flash image to start from (else erased)
    std::string saveFlashFile; // flash written here on stop
    int eraseMs = 300;         // how long a full erase keeps the loader busy
    bool badEcho = false;      // speed changes echo a wrong byte
    bool idMismatch = false;   // the ID check never passes
    bool eraseFail = false;    // erasing ends with the erase error bit
    int programFailAt = -1;    // programming the page at this address fails (-1: none)
    int corruptAt = -1;        // the page at this address is stored with its first byte wrong,
                               // and programming it reports success (-1: none)
};

// A QL4100-family radio on a pseudo-terminal. The program under test opens
// SlavePath() as its serial port; one thread plays the radio, answering
// requests from its configuration memory. Every setter may be called while
// the radio runs.
class RadioSimulator {
public:
    explicit RadioSimulator(SimOptions options);
    ~RadioSimulator(); // stops, and saves the memory when a save file is set
    RadioSimulator(const RadioSimulator&) = delete;
    RadioSimulator& operator=(const RadioSimulator&) = delete;

    // Opens the pseudo-terminal and starts the radio; false on failure (see
    // Error()).
    bool Start();
    void Stop();
    std::string SlavePath() const;
    std::string Error() const;

    static int MemorySize(SimOptions::Family family);
    static std::string DefaultIdent(SimOptions::Family family);
    // The memory a radio of this family leaves the factory with.
    static std::vector<uint8_t> FactoryMemory(SimOptions::Family family, bool repeaterInput = false);

    std::vector<uint8_t> Memory() const;
    // Stores bytes from address on; bytes past the end of memory are dropped.
    void SetMemory(int address, const std::vector<uint8_t>& bytes);
    // Writes the memory to the save file now; false when none is set or the
    // write failed.
    bool Save();

    void SetIdent(const std::string& ident);
    void SetSilent(bool silent);
    void SetFailAfter(int replies);
    void SetLateMs(int ms);
    void SetWrongEcho(bool wrong);
    void SetNoise(double probability);
    void SetLineRate(int bitsPerSecond);
    // What the next level reading reports: signal strength and noise, 0-255.
    void SetLevels(int signal, int noise);

    struct Request {
        uint8_t marker, code;
        int address;                  // memory requests; -1 for the others
        std::vector<uint8_t> payload; // wire order, escapes removed
    };
    // Every well-formed request received, in order; a request is listed once
    // the radio has fully acted on it.
    std::vector<Request> Requests() const;
    void ClearRequests();
    bool WaitForRequests(size_t count, int timeoutMs) const;

    bool EscapeMode() const;
    int RepliesSent() const; // replies the radio has produced, in order
    bool WaitForReplies(int count, int timeoutMs) const;
    std::vector<uint8_t> WireReceived() const; // the latest 64 KiB off the line

    // Boot loader side. Flash covers radio addresses 0xC0000-0xFFFFF.
    static constexpr int kFlashBase = 0xC0000;
    static constexpr int kFlashSize = 0x40000;
    std::vector<uint8_t> Flash() const;
    // Writes the flash to the flash save file now; false when none is set or
    // the write failed.
    bool SaveFlash();
    int BootSpeed() const;  // the loader's line speed in bit/s (9600 at power-up)
    bool IdChecked() const; // the ID check has passed
    bool Erased() const;    // a full erase has completed
    std::vector<int> ProgrammedPages() const; // radio addresses stored, in order
    void SetBadEcho(bool bad);
    void SetIdMismatch(bool mismatch);
    void SetEraseFail(bool fail);
    void SetProgramFailAt(int address);

    int TestToneValue() const; // last test tone setting, -1 before any
    int AlignChannel() const;  // last alignment channel, -1 before any
    int Channel() const;       // channel on the display, 1-99
    bool Transmitting() const;

private:
    // Which firmware the radio is running; incoming bytes are handled by it.
    enum class Firmware { Application, BootLoader };

    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        Clock::time_point readyAt;
        std::vector<uint8_t> bytes;
        size_t sent = 0;
        bool started = false;
        int switchTo = 0; // line speed taken once these bytes go out (0: none)
        bool switched = false;
    };

    void Run();
    void TakeInput(const uint8_t* data, size_t count);
    void HandleRequest(const simframes::Frame& frame);
    void Reply(const std::vector<uint8_t>& payload, uint8_t code, uint8_t marker,
               const std::vector<uint8_t>& prefix = {});
    void StatusReport();
    void KeyEvent(uint8_t keyByte);
    std::vector<uint8_t> PrefixBlock() const;
    uint8_t ReadAt(int address) const;
    void WriteAt(int address, uint8_t value);
    bool WriteSaveFile(const std::vector<uint8_t>& memory) { return WriteFileAtomically(saveFile_, memory); }
    static bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
    void BootLoaderByte(uint8_t byte);
    void BootCommand();
    void BootReply(std::vector<uint8_t> bytes, int switchTo = 0);
    uint8_t BootStatus0();
    bool BootBusy() const { return Clock::now() < bootBusyUntil_; }
    void ApplyBootSpeed(int bitsPerSecond);
    // Puts due bytes on the line; returns when next to wake (max() for never)
    // and whether the line is full.
    Clock::time_point Transmit(Clock::time_point now, bool& blocked);

    const SimOptions::Family family_;
    const std::string saveFile_;

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<uint8_t> memory_;
    std::string ident_;
    bool silent_;
    int failAfter_;
    int lateMs_;
    bool wrongEcho_;
    double noise_;
    int lineRate_;
    int signalLevel_ = 100;
    int noiseLevel_ = 40;
    std::vector<Request> requests_;
    bool escape_ = false;
    int replies_ = 0;
    std::deque<uint8_t> wire_;
    int testTone_ = -1;
    int alignChannel_ = -1;
    int channel_ = 1;
    bool transmitting_ = false;
    std::string error_;
    std::string slavePath_;

    // Boot loader state.
    const std::string saveFlashFile_;
    std::vector<uint8_t> flash_;
    std::vector<uint8_t> idCode_;
    std::string bootVersion_;
    int eraseMs_;
    bool badEcho_;
    bool idMismatch_;
    bool eraseFail_;
    int programFailAt_;
    const int corruptAt_;
    int bootSpeed_ = 9600;
    bool bootAwake_ = false;  // has seen the wake bytes
    int wakeRun_ = 0;         // 0x00 bytes in a row
    std::vector<uint8_t> bootCommand_; // a command still waiting for its bytes
    uint8_t bootErrors_ = 0;  // s0 error bits
    uint8_t bootPendingErrors_ = 0; // error bits shown once the busy period ends
    Clock::time_point bootBusyUntil_{};
    bool idChecked_ = false;
    bool erased_ = false;
    std::vector<int> programmedPages_;
    bool running_ = false;

    // Used by the radio's thread only.
    Firmware firmware_;
    simframes::RequestFinder finder_;
    std::deque<Outgoing> outgoing_;
    Clock::time_point lineFree_{};
    // When the last request byte would have arrived over a paced line.
    Clock::time_point inputArrives_{};
    static std::chrono::nanoseconds ByteTime(int bitsPerSecond);
    std::mt19937 random_;

    int master_ = -1;
    int keepSlave_ = -1;
    int stopFd_ = -1;
    std::thread thread_;
};
