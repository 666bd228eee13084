#include "RadioSimulator.h"

#include "FactoryImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using simframes::kCommandMarker;
using simframes::kStatusMarker;

namespace {

constexpr size_t kWireKept = 64 * 1024;
constexpr int kMaxIdent = 255; // the count travels in one byte

// Memory addresses the programs identify a radio by.
constexpr int kTempCompGain = 20;
constexpr int kHardwareByte = 40;
constexpr int kRadioType = 50;
constexpr int kRepeaterFlags = 78;

// Boot loader.
constexpr int kWakeRun = 16;            // 0x00 bytes in a row that wake the loader
constexpr int kIdAddress = 0xFFFDF;     // where the flash ID code lives
constexpr int kProgramMs = 5;           // busy time of one page write
constexpr int kPageSize = 256;
constexpr uint8_t kReady = 0x80;        // s0
constexpr uint8_t kEraseError = 0x20;   // s0
constexpr uint8_t kProgramError = 0x10; // s0
constexpr uint8_t kIdAccepted = 0x0C;   // s1
constexpr int kBootSpeeds[] = {9600, 19200, 38400, 57600};

speed_t SpeedCode(int bitsPerSecond)
{
    switch (bitsPerSecond) {
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B9600;
    }
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteAll(int fd, const uint8_t* data, size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int RadioSimulator::MemorySize(SimOptions::Family family)
{
    return family == SimOptions::Family::Pmr ? 8192 : 2048;
}

std::string RadioSimulator::DefaultIdent(SimOptions::Family family)
{
    switch (family) {
    case SimOptions::Family::Data: return "QL4100D v2.10";
    case SimOptions::Family::Pmr: return "QL4100P v3.01";
    case SimOptions::Family::Telemetry:
    case SimOptions::Family::Repeater: break;
    }
    return "QL4100T v2.10";
}

std::vector<uint8_t> RadioSimulator::FactoryMemory(SimOptions::Family family, bool repeaterInput)
{
    std::vector<uint8_t> memory(static_cast<size_t>(MemorySize(family)), 0xFF);
    const size_t factorySize = std::min<size_t>(kFactoryTelemetryImageSize, memory.size());
    if (family == SimOptions::Family::Pmr) {
        // The calibration block (addresses 0-47) is the same on every model;
        // the rest of a PMR radio leaves the factory erased.
        std::copy_n(kFactoryTelemetryImage, std::min<size_t>(48, factorySize), memory.begin());
        memory[kHardwareByte] = 0x00; // UHF 20 model, new head
        memory[kTempCompGain] = 100;
        memory[kRadioType] = 2;
        return memory;
    }
    std::copy_n(kFactoryTelemetryImage, factorySize, memory.begin());
    if (family == SimOptions::Family::Data) {
        memory[kRadioType] = 1;
    } else if (family == SimOptions::Family::Repeater) {
        memory[kRadioType] = 0;
        memory[kRepeaterFlags] |= 0x08;
        if (repeaterInput)
            memory[kRepeaterFlags] |= 0x20;
        else
            memory[kRepeaterFlags] &= static_cast<uint8_t>(~0x20);
    }
    return memory;
}

std::chrono::nanoseconds RadioSimulator::ByteTime(int bitsPerSecond)
{
    // One byte is a start bit, eight data bits and a stop bit.
    return std::chrono::nanoseconds(10'000'000'000LL / bitsPerSecond);
}

RadioSimulator::RadioSimulator(SimOptions options)
    : family_(options.family)
    , saveFile_(options.saveFile)
    , silent_(options.silent)
    , failAfter_(options.failAfter)
    , lateMs_(std::max(0, options.lateMs))
    , wrongEcho_(options.wrongEcho)
    , noise_(options.noise)
    , lineRate_(std::max(0, options.lineRate))
    , saveFlashFile_(options.saveFlashFile)
    , flash_(kFlashSize, 0xFF)
    , idCode_(options.idCode)
    , bootVersion_(options.bootVersion.substr(0, 8))
    , eraseMs_(std::max(0, options.eraseMs))
    , badEcho_(options.badEcho)
    , idMismatch_(options.idMismatch)
    , eraseFail_(options.eraseFail)
    , programFailAt_(options.programFailAt)
    , corruptAt_(options.corruptAt)
    , firmware_(options.bootloader ? Firmware::BootLoader : Firmware::Application)
    , random_(options.seed)
{
    if (!options.flashFile.empty()) {
        std::vector<uint8_t> bytes;
        if (ReadFile(options.flashFile, bytes))
            std::copy_n(bytes.begin(), std::min(bytes.size(), flash_.size()), flash_.begin());
        else
            error_ = "cannot read flash file " + options.flashFile;
    }
    memory_ = FactoryMemory(family_, options.repeaterInput);
    if (!options.memoryFile.empty()) {
        std::vector<uint8_t> bytes;
        if (ReadFile(options.memoryFile, bytes)) {
            // A short file fills the start; the rest stays erased.
            std::fill(memory_.begin(), memory_.end(), 0xFF);
            std::copy_n(bytes.begin(), std::min(bytes.size(), memory_.size()), memory_.begin());
        } else {
            error_ = "cannot read memory file " + options.memoryFile;
        }
    }
    ident_ = options.ident.empty() ? DefaultIdent(family_) : options.ident;
    if (ident_.size() > kMaxIdent)
        ident_.resize(kMaxIdent);
}

RadioSimulator::~RadioSimulator()
{
    Stop();
}

bool RadioSimulator::Start()
{
    std::unique_lock<std::mutex> guard(lock_);
    if (!error_.empty() || running_ || master_ >= 0)
        return false;
    auto fail = [&](const char* what) {
        error_ = std::string(what) + ": " + std::strerror(errno);
        if (keepSlave_ >= 0)
            ::close(keepSlave_);
        if (master_ >= 0)
            ::close(master_);
        if (stopFd_ >= 0)
            ::close(stopFd_);
        keepSlave_ = master_ = stopFd_ = -1;
        return false;
    };

    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return fail("grantpt/unlockpt");
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0)
        return fail("ptsname");
    // Hold the line open for the radio's whole life, so a program closing and
    // reopening its port never hangs it up, and make it raw before anyone
    // else opens it.
    keepSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keepSlave_ < 0)
        return fail("open slave");
    termios t{};
    if (tcgetattr(keepSlave_, &t) != 0)
        return fail("tcgetattr");
    cfmakeraw(&t);
    if (firmware_ == Firmware::BootLoader) {
        // The boot loader always starts at 9600 bit/s.
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
    }
    if (tcsetattr(keepSlave_, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0)
        return fail("eventfd");

    slavePath_ = name;
    running_ = true;
    guard.unlock();
    thread_ = std::thread([this] { Run(); });
    return true;
}

void RadioSimulator::Stop()
{
    if (!thread_.joinable())
        return;
    const uint64_t one = 1;
    WriteAll(stopFd_, reinterpret_cast<const uint8_t*>(&one), sizeof one);
    thread_.join();
    {
        std::lock_guard<std::mutex> guard(lock_);
        ::close(stopFd_);
        ::close(keepSlave_);
        ::close(master_);
        stopFd_ = keepSlave_ = master_ = -1;
        running_ = false;
    }
    if (!saveFile_.empty())
        Save();
    if (!saveFlashFile_.empty())
        SaveFlash();
}

std::string RadioSimulator::SlavePath() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return slavePath_;
}

std::string RadioSimulator::Error() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

std::vector<uint8_t> RadioSimulator::Memory() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return memory_;
}

void RadioSimulator::SetMemory(int address, const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (size_t i = 0; i < bytes.size(); ++i)
        WriteAt(address + static_cast<int>(i), bytes[i]);
}

bool RadioSimulator::Save()
{
    if (saveFile_.empty())
        return false;
    return WriteSaveFile(Memory());
}

bool RadioSimulator::WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& memory)
{
    // Write beside the target and rename, so a reader never sees half a file.
    std::vector<char> temp(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, memory.data(), memory.size());
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        return false;
    }
    return true;
}

void RadioSimulator::SetIdent(const std::string& ident)
{
    std::lock_guard<std::mutex> guard(lock_);
    ident_ = ident.substr(0, kMaxIdent);
}

void RadioSimulator::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> guard(lock_);
    silent_ = silent;
}

void RadioSimulator::SetFailAfter(int replies)
{
    std::lock_guard<std::mutex> guard(lock_);
    failAfter_ = replies;
}

void RadioSimulator::SetLateMs(int ms)
{
    std::lock_guard<std::mutex> guard(lock_);
    lateMs_ = std::max(0, ms);
}

void RadioSimulator::SetWrongEcho(bool wrong)
{
    std::lock_guard<std::mutex> guard(lock_);
    wrongEcho_ = wrong;
}

void RadioSimulator::SetNoise(double probability)
{
    std::lock_guard<std::mutex> guard(lock_);
    noise_ = probability;
}

void RadioSimulator::SetLineRate(int bitsPerSecond)
{
    std::lock_guard<std::mutex> guard(lock_);
    lineRate_ = std::max(0, bitsPerSecond);
}

void RadioSimulator::SetLevels(int signal, int noise)
{
    std::lock_guard<std::mutex> guard(lock_);
    signalLevel_ = std::clamp(signal, 0, 255);
    noiseLevel_ = std::clamp(noise, 0, 255);
}

std::vector<RadioSimulator::Request> RadioSimulator::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

void RadioSimulator::ClearRequests()
{
    std::lock_guard<std::mutex> guard(lock_);
    requests_.clear();
}

bool RadioSimulator::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(std::max(0, timeoutMs)),
                             [&] { return requests_.size() >= count; });
}

bool RadioSimulator::EscapeMode() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return escape_;
}

int RadioSimulator::RepliesSent() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return replies_;
}

bool RadioSimulator::WaitForReplies(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(std::max(0, timeoutMs)),
                             [&] { return replies_ >= count; });
}

std::vector<uint8_t> RadioSimulator::WireReceived() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return std::vector<uint8_t>(wire_.begin(), wire_.end());
}

std::vector<uint8_t> RadioSimulator::Flash() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return flash_;
}

bool RadioSimulator::SaveFlash()
{
    if (saveFlashFile_.empty())
        return false;
    return WriteFileAtomically(saveFlashFile_, Flash());
}

int RadioSimulator::BootSpeed() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return bootSpeed_;
}

bool RadioSimulator::IdChecked() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return idChecked_;
}

bool RadioSimulator::Erased() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return erased_ && !BootBusy();
}

std::vector<int> RadioSimulator::ProgrammedPages() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return programmedPages_;
}

void RadioSimulator::SetBadEcho(bool bad)
{
    std::lock_guard<std::mutex> guard(lock_);
    badEcho_ = bad;
}

void RadioSimulator::SetIdMismatch(bool mismatch)
{
    std::lock_guard<std::mutex> guard(lock_);
    idMismatch_ = mismatch;
}

void RadioSimulator::SetEraseFail(bool fail)
{
    std::lock_guard<std::mutex> guard(lock_);
    eraseFail_ = fail;
}

void RadioSimulator::SetProgramFailAt(int address)
{
    std::lock_guard<std::mutex> guard(lock_);
    programFailAt_ = address;
}

int RadioSimulator::TestToneValue() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return testTone_;
}

int RadioSimulator::AlignChannel() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return alignChannel_;
}

int RadioSimulator::Channel() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return channel_;
}

bool RadioSimulator::Transmitting() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return transmitting_;
}

// ---- the radio's thread ----

void RadioSimulator::Run()
{
    uint8_t buffer[512];
    for (;;) {
        const Clock::time_point now = Clock::now();
        bool blocked = false;
        const Clock::time_point wake = Transmit(now, blocked);

        pollfd fds[2] = {{stopFd_, POLLIN, 0},
                         {master_, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0}};
        timespec timeout{};
        timespec* limit = nullptr;
        if (!blocked && wake != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), wake - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000LL);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000LL);
            limit = &timeout;
        }
        const int rc = ppoll(fds, 2, limit, nullptr);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0)
                TakeInput(buffer, static_cast<size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
        } else if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            // Cannot happen while the radio holds its own end open.
            return;
        }
    }
}

void RadioSimulator::TakeInput(const uint8_t* data, size_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    const auto now = Clock::now();
    for (size_t i = 0; i < count; ++i) {
        if (lineRate_ > 0) {
            // The pseudo-terminal hands bytes over at once; on a real line
            // each takes ten bit times, so the request ends that much later.
            inputArrives_ = std::max(inputArrives_, now) + ByteTime(lineRate_);
        }
        wire_.push_back(data[i]);
        if (wire_.size() > kWireKept)
            wire_.pop_front();
        switch (firmware_) {
        case Firmware::Application: {
            simframes::Frame frame;
            if (finder_.Push(data[i], escape_, frame))
                HandleRequest(frame);
            break;
        }
        case Firmware::BootLoader:
            BootLoaderByte(data[i]);
            break;
        }
    }
    changed_.notify_all();
}

void RadioSimulator::HandleRequest(const simframes::Frame& frame)
{
    const std::vector<uint8_t>& p = frame.payload;
    int address = -1;
    const bool memoryRequest = frame.marker == kCommandMarker
        && (frame.code == 0x04 || frame.code == 0x05 || frame.code == 0x46 || frame.code == 0x47);
    if (memoryRequest)
        address = p[p.size() - 2] | (p[p.size() - 1] << 8);
    const int echo = (wrongEcho_ ? address + 8 : address) & 0xFFFF;
    const auto lo = [](int a) { return static_cast<uint8_t>(a & 0xFF); };
    const auto hi = [](int a) { return static_cast<uint8_t>((a >> 8) & 0xFF); };

    if (frame.marker == kStatusMarker) {
        KeyEvent(p[0]);
    } else {
        switch (frame.code) {
        case 0x01: {
            // The acknowledgement goes out plain; escaping starts after it.
            escape_ = false;
            Reply(p, 0x01, kCommandMarker);
            escape_ = p[0] == 3;
            break;
        }
        case 0x02: {
            std::vector<uint8_t> text(ident_.begin(), ident_.end());
            text.push_back(static_cast<uint8_t>(ident_.size()));
            Reply(text, 0x02, kCommandMarker,
                  family_ == SimOptions::Family::Pmr ? PrefixBlock() : std::vector<uint8_t>{});
            break;
        }
        case 0x03:
            escape_ = false;
            if (!saveFile_.empty())
                WriteSaveFile(memory_);
            break;
        case 0x04: {
            std::vector<uint8_t> reply;
            for (int k = 7; k >= 0; --k)
                reply.push_back(ReadAt(address + k));
            reply.push_back(lo(echo));
            reply.push_back(hi(echo));
            Reply(reply, 0x04, kCommandMarker);
            break;
        }
        case 0x05:
            for (int k = 0; k < 8; ++k)
                WriteAt(address + k, p[7 - k]);
            Reply({0, 0, lo(address), hi(address)}, 0x05, kCommandMarker);
            break;
        case 0x0A:
            Reply({static_cast<uint8_t>(noiseLevel_), static_cast<uint8_t>(signalLevel_), 6, 0}, 0x0A,
                  kCommandMarker);
            break;
        case 0x1A:
            StatusReport();
            break;
        case 0x2D:
            testTone_ = p[0] | (p[1] << 8);
            break;
        case 0x46:
            Reply({ReadAt(address), 0, lo(echo), hi(echo)}, 0x46, kCommandMarker);
            break;
        case 0x47:
            WriteAt(address, p[0]);
            Reply({0, 0, lo(address), hi(address)}, 0x47, kCommandMarker);
            break;
        case 0x4D:
            alignChannel_ = p[0] | (p[1] << 8);
            break;
        default:
            break;
        }
    }
    requests_.push_back(Request{frame.marker, frame.code, address, p});
}

void RadioSimulator::Reply(const std::vector<uint8_t>& payload, uint8_t code, uint8_t marker,
                           const std::vector<uint8_t>& prefix)
{
    if (silent_ || (failAfter_ >= 0 && replies_ >= failAfter_))
        return;
    Outgoing out;
    if (noise_ > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(random_) < noise_) {
        // A stray byte on the line, never one the far end could take for a
        // marker or an escape.
        uint8_t stray;
        do {
            stray = static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
        } while (simframes::NeedsEscape(stray));
        out.bytes.push_back(stray);
    }
    if (!prefix.empty()) {
        simframes::AppendBytes(out.bytes, prefix.data(), prefix.size(), escape_);
        const uint8_t check = simframes::Checksum(prefix.data(), prefix.size());
        simframes::AppendBytes(out.bytes, &check, 1, escape_);
    }
    simframes::AppendFrame(out.bytes, payload, code, marker, escape_);
    // A reply starts once the request's last byte would have arrived.
    out.readyAt = std::max(Clock::now(), inputArrives_) + std::chrono::milliseconds(lateMs_);
    outgoing_.push_back(std::move(out));
    ++replies_;
}

// ---- boot loader ----
//
// Until a run of 0x00 bytes has woken it the loader ignores everything else.
// Erase, program and page read are refused until the ID check has passed:
// erase and program then set their error bit, a page read answers nothing.
// Programming ANDs the data into the page, as flash cells can only go from 1
// to 0. A failed erase leaves the flash as it was. Caller holds lock_.

void RadioSimulator::BootLoaderByte(uint8_t byte)
{
    if (bootCommand_.empty()) {
        if (byte == 0x00) {
            // A wake run is answered once, when it is long enough.
            if (++wakeRun_ == kWakeRun) {
                bootAwake_ = true;
                BootReply({0xB0});
            }
            return;
        }
        wakeRun_ = 0;
        if (!bootAwake_)
            return;
    }
    bootCommand_.push_back(byte);
    size_t length = 1;
    switch (bootCommand_[0]) {
    case 0xA7: length = 2; break;
    case 0xFF: length = 3; break;
    case 0x41: length = 3 + kPageSize; break;
    case 0xF5: length = bootCommand_.size() < 5 ? 5 : 5 + bootCommand_[4]; break;
    default: break;
    }
    if (bootCommand_.size() < length)
        return;
    BootCommand();
    bootCommand_.clear();
}

void RadioSimulator::BootCommand()
{
    const std::vector<uint8_t>& c = bootCommand_;
    const auto now = Clock::now();
    switch (c[0]) {
    case 0x70:
        BootReply({BootStatus0(), static_cast<uint8_t>(idChecked_ ? kIdAccepted : 0)});
        break;
    case 0x50:
        BootStatus0(); // errors of a finished operation are cleared too
        bootErrors_ = 0;
        break;
    case 0xB0:
    case 0xB1:
    case 0xB2:
    case 0xB3:
        // The echo goes out at the old speed, then the loader switches.
        BootReply({static_cast<uint8_t>(badEcho_ ? c[0] ^ 0xFF : c[0])}, kBootSpeeds[c[0] - 0xB0]);
        break;
    case 0xFB:
        BootReply(std::vector<uint8_t>(bootVersion_.begin(), bootVersion_.end()));
        break;
    case 0xF5: {
        const int address = c[1] | (c[2] << 8) | (c[3] << 16);
        const std::vector<uint8_t> id(c.begin() + 5, c.end());
        idChecked_ = !idMismatch_ && address == kIdAddress && id == idCode_;
        break;
    }
    case 0xA7:
        if (c[1] != 0xD0)
            break;
        if (!idChecked_ || BootBusy()) {
            bootErrors_ |= kEraseError;
            break;
        }
        bootBusyUntil_ = now + std::chrono::milliseconds(eraseMs_);
        if (eraseFail_) {
            bootPendingErrors_ |= kEraseError;
        } else {
            std::fill(flash_.begin(), flash_.end(), 0xFF);
            erased_ = true;
        }
        break;
    case 0xFF: {
        if (!idChecked_)
            break;
        const int address = (c[1] << 8) | (c[2] << 16);
        std::vector<uint8_t> page(kPageSize, 0xFF);
        if (address >= kFlashBase && address < kFlashBase + kFlashSize)
            std::copy_n(flash_.begin() + (address - kFlashBase), kPageSize, page.begin());
        BootReply(std::move(page));
        break;
    }
    case 0x41: {
        const int address = (c[1] << 8) | (c[2] << 16);
        if (!idChecked_ || BootBusy() || address < kFlashBase || address >= kFlashBase + kFlashSize) {
            bootErrors_ |= kProgramError;
            break;
        }
        bootBusyUntil_ = now + std::chrono::milliseconds(kProgramMs);
        if (programFailAt_ >= 0 && (programFailAt_ & ~0xFF) == address) {
            bootPendingErrors_ |= kProgramError;
            break;
        }
        for (int k = 0; k < kPageSize; ++k)
            flash_[static_cast<size_t>(address - kFlashBase + k)] &= c[static_cast<size_t>(3 + k)];
        if (corruptAt_ >= 0 && (corruptAt_ & ~0xFF) == address)
            flash_[static_cast<size_t>(address - kFlashBase)] ^= 0x01;
        programmedPages_.push_back(address);
        break;
    }
    default:
        break; // not a command: ignored
    }
}

uint8_t RadioSimulator::BootStatus0()
{
    if (BootBusy())
        return bootErrors_;
    bootErrors_ |= bootPendingErrors_;
    bootPendingErrors_ = 0;
    return static_cast<uint8_t>(kReady | bootErrors_);
}

void RadioSimulator::BootReply(std::vector<uint8_t> bytes, int switchTo)
{
    if (silent_)
        return;
    Outgoing out;
    out.bytes = std::move(bytes);
    out.switchTo = switchTo;
    out.readyAt = std::max(Clock::now(), inputArrives_) + std::chrono::milliseconds(lateMs_);
    outgoing_.push_back(std::move(out));
}

void RadioSimulator::ApplyBootSpeed(int bitsPerSecond)
{
    // A pseudo-terminal's speed is only a setting, shared by both ends; the
    // pacing is what makes it felt.
    termios t{};
    if (tcgetattr(master_, &t) == 0) {
        cfsetispeed(&t, SpeedCode(bitsPerSecond));
        cfsetospeed(&t, SpeedCode(bitsPerSecond));
        tcsetattr(master_, TCSANOW, &t);
    }
    std::lock_guard<std::mutex> guard(lock_);
    bootSpeed_ = bitsPerSecond;
    if (lineRate_ > 0)
        lineRate_ = bitsPerSecond;
}

std::vector<uint8_t> RadioSimulator::PrefixBlock() const
{
    // Extended alpha text (six characters) and a spare byte.
    char alpha[8];
    std::snprintf(alpha, sizeof alpha, "CHAN%02d", channel_ % 100);
    std::vector<uint8_t> block(alpha, alpha + 6);
    block.push_back(0);
    return block;
}

void RadioSimulator::StatusReport()
{
    // Channel number, lower display, two indicator bytes, a spare byte.
    char text[16];
    std::snprintf(text, sizeof text, "%02d%s", channel_ % 100, transmitting_ ? "TX   " : "RX   ");
    std::vector<uint8_t> report(text, text + 7);
    report.push_back(0);                       // SCAN ... DUP
    report.push_back(transmitting_ ? 0x02 : 0); // T/A, Tx, QUIET, SILENT
    report.push_back(0);
    Reply(report, 0x02, kStatusMarker,
          family_ == SimOptions::Family::Pmr ? PrefixBlock() : std::vector<uint8_t>{});
}

void RadioSimulator::KeyEvent(uint8_t keyByte)
{
    const int key = keyByte & 0x0F;
    const int event = keyByte & 0x70;
    if (event == 0x30) { // pressed
        if (key == 0)
            channel_ = channel_ > 1 ? channel_ - 1 : 99;
        else if (key == 1)
            channel_ = channel_ < 99 ? channel_ + 1 : 1;
        else if (key == 6)
            transmitting_ = true;
    } else if (event == 0x10 && key == 6) { // released
        transmitting_ = false;
    }
    StatusReport();
}

uint8_t RadioSimulator::ReadAt(int address) const
{
    if (address < 0 || address >= static_cast<int>(memory_.size()))
        return 0xFF;
    return memory_[static_cast<size_t>(address)];
}

void RadioSimulator::WriteAt(int address, uint8_t value)
{
    if (address >= 0 && address < static_cast<int>(memory_.size()))
        memory_[static_cast<size_t>(address)] = value;
}

RadioSimulator::Clock::time_point RadioSimulator::Transmit(Clock::time_point now, bool& blocked)
{
    blocked = false;
    int rate;
    {
        std::lock_guard<std::mutex> guard(lock_);
        rate = lineRate_;
    }
    auto perByte = rate > 0 ? ByteTime(rate) : std::chrono::nanoseconds::zero();
    while (!outgoing_.empty()) {
        Outgoing& out = outgoing_.front();
        if (now < out.readyAt)
            return out.readyAt;
        if (!out.started) {
            // An idle line starts the reply when it is ready.
            lineFree_ = std::max(lineFree_, out.readyAt);
            out.started = true;
        }
        size_t count = out.bytes.size() - out.sent;
        if (rate > 0) {
            size_t due = 0;
            while (due < count && lineFree_ + perByte * static_cast<long long>(due + 1) <= now)
                ++due;
            if (due == 0)
                return lineFree_ + perByte;
            count = due;
        }
        if (out.switchTo != 0 && !out.switched) {
            // Switched just before the last byte goes out, so a program that
            // has read it finds the line already at the new speed.
            if (out.sent + count == out.bytes.size()) {
                ApplyBootSpeed(out.switchTo);
                out.switched = true;
            }
        }
        const ssize_t n = ::write(master_, out.bytes.data() + out.sent, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                blocked = true;
                return Clock::time_point::max();
            }
            outgoing_.clear(); // the line is gone
            return Clock::time_point::max();
        }
        out.sent += static_cast<size_t>(n);
        lineFree_ += perByte * n;
        if (out.sent == out.bytes.size()) {
            if (out.switched && rate > 0) {
                rate = out.switchTo;
                perByte = ByteTime(rate);
            }
            outgoing_.pop_front();
        } else if (static_cast<size_t>(n) < count) {
            blocked = true;
            return Clock::time_point::max();
        }
    }
    return Clock::time_point::max();
}
