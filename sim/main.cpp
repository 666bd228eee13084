// ql41sim: a QL4100-family radio on a pseudo-terminal. Prints the terminal's
// path as its first line and runs until SIGINT or SIGTERM.
#include "RadioSimulator.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <vector>
#include <signal.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: ql41sim [options]\n"
    "Plays a QL4100-family radio on a pseudo-terminal; prints its path first.\n"
    "\n"
    "  --family F        telemetry (default), data, repeater, repeater-input, pmr\n"
    "  --memory FILE     configuration memory from a .mem file\n"
    "  --ident TEXT      identity text (default by family)\n"
    "  --save FILE       write the memory to FILE after each session and on exit\n"
    "  --link PATH       also make a symbolic link PATH to the terminal\n"
    "  --silent          never answer\n"
    "  --fail-after N    stop answering after N replies\n"
    "  --late MS         answer every request MS milliseconds late\n"
    "  --wrong-echo      read replies echo the address + 8\n"
    "  --noise P         stray byte before a reply with probability P (0-1)\n"
    "  --seed N          seed for the noise\n"
    "  --line-rate BPS   pace the output like a line at BPS bits per second\n"
    "\n"
    "  --bootloader      start in the boot loader (service adapter fitted)\n"
    "  --boot-version T  boot loader version text, up to 8 characters\n"
    "  --id-code HEX     the flash ID code, 14 hex digits (default all FF)\n"
    "  --flash FILE      flash contents from a raw 256 KiB image (else erased)\n"
    "  --save-flash FILE write the flash to FILE on exit\n"
    "  --erase-ms MS     how long a full erase takes (default 300)\n"
    "  --bad-echo        speed changes echo a wrong byte\n"
    "  --id-mismatch     the ID check never passes\n"
    "  --erase-fail      erasing ends with the erase error bit\n"
    "  --program-fail-at ADDR  programming the page at ADDR (e.g. 0xC0100) fails\n"
    "  --corrupt-at ADDR the page at ADDR is stored with its first byte wrong\n"
    "  --help            this text\n";

int BadArguments(const std::string& message)
{
    std::fprintf(stderr, "ql41sim: %s\nTry 'ql41sim --help'.\n", message.c_str());
    return 2;
}

bool ParseInt(const char* text, long long low, long long high, long long& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseProbability(const char* text, double& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && value >= 0.0 && value <= 1.0;
}

bool ParseIdCode(const std::string& text, std::vector<uint8_t>& id)
{
    if (text.size() != 14)
        return false;
    id.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1])))
            return false;
        id.push_back(static_cast<uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
    }
    return true;
}

bool ParseAddress(const char* text, long long& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && value >= 0 && value <= 0xFFFFF;
}

bool IsSymlink(const std::string& path)
{
    struct stat st{};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string link;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--silent") {
            options.silent = true;
            continue;
        }
        if (arg == "--wrong-echo") {
            options.wrongEcho = true;
            continue;
        }
        if (arg == "--bootloader" || arg == "--bad-echo" || arg == "--id-mismatch" || arg == "--erase-fail") {
            bool& flag = arg == "--bootloader" ? options.bootloader
                : arg == "--bad-echo"          ? options.badEcho
                : arg == "--id-mismatch"       ? options.idMismatch
                                               : options.eraseFail;
            flag = true;
            continue;
        }
        const bool takesValue = arg == "--family" || arg == "--memory" || arg == "--ident"
            || arg == "--save" || arg == "--link" || arg == "--fail-after" || arg == "--late"
            || arg == "--noise" || arg == "--seed" || arg == "--line-rate" || arg == "--boot-version"
            || arg == "--id-code" || arg == "--flash" || arg == "--save-flash" || arg == "--erase-ms"
            || arg == "--program-fail-at" || arg == "--corrupt-at";
        if (!takesValue)
            return BadArguments("unknown option " + arg);
        if (i + 1 >= argc)
            return BadArguments(arg + " needs a value");
        const char* value = argv[++i];
        if (*value == '\0' && arg != "--ident")
            return BadArguments(arg + " needs a value");
        long long number = 0;
        if (arg == "--family") {
            const std::string family = value;
            if (family == "telemetry") {
                options.family = SimOptions::Family::Telemetry;
            } else if (family == "data") {
                options.family = SimOptions::Family::Data;
            } else if (family == "repeater" || family == "repeater-output") {
                options.family = SimOptions::Family::Repeater;
            } else if (family == "repeater-input") {
                options.family = SimOptions::Family::Repeater;
                options.repeaterInput = true;
            } else if (family == "pmr") {
                options.family = SimOptions::Family::Pmr;
            } else {
                return BadArguments("unknown family " + family);
            }
        } else if (arg == "--memory") {
            options.memoryFile = value;
        } else if (arg == "--ident") {
            options.ident = value;
        } else if (arg == "--save") {
            options.saveFile = value;
        } else if (arg == "--link") {
            link = value;
        } else if (arg == "--fail-after") {
            if (!ParseInt(value, 0, INT_MAX, number))
                return BadArguments("--fail-after needs a count");
            options.failAfter = static_cast<int>(number);
        } else if (arg == "--late") {
            if (!ParseInt(value, 0, 3600000, number))
                return BadArguments("--late needs milliseconds");
            options.lateMs = static_cast<int>(number);
        } else if (arg == "--noise") {
            if (!ParseProbability(value, options.noise))
                return BadArguments("--noise needs a probability from 0 to 1");
        } else if (arg == "--seed") {
            if (!ParseInt(value, 0, UINT_MAX, number))
                return BadArguments("--seed needs a number");
            options.seed = static_cast<unsigned>(number);
        } else if (arg == "--line-rate") {
            if (!ParseInt(value, 0, 10000000, number))
                return BadArguments("--line-rate needs bits per second");
            options.lineRate = static_cast<int>(number);
        } else if (arg == "--boot-version") {
            if (std::strlen(value) > 8)
                return BadArguments("--boot-version takes at most 8 characters");
            options.bootVersion = value;
        } else if (arg == "--id-code") {
            if (!ParseIdCode(value, options.idCode))
                return BadArguments("--id-code needs 14 hex digits");
        } else if (arg == "--flash") {
            options.flashFile = value;
        } else if (arg == "--save-flash") {
            options.saveFlashFile = value;
        } else if (arg == "--erase-ms") {
            if (!ParseInt(value, 0, 600000, number))
                return BadArguments("--erase-ms needs milliseconds");
            options.eraseMs = static_cast<int>(number);
        } else if (arg == "--program-fail-at") {
            if (!ParseAddress(value, number))
                return BadArguments("--program-fail-at needs a radio address");
            options.programFailAt = static_cast<int>(number);
        } else if (arg == "--corrupt-at") {
            if (!ParseAddress(value, number))
                return BadArguments("--corrupt-at needs a radio address");
            options.corruptAt = static_cast<int>(number);
        }
    }

    // Take SIGINT and SIGTERM through a descriptor; block them before the
    // radio's thread starts so it inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
        std::perror("ql41sim: sigprocmask");
        return 1;
    }
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signals < 0) {
        std::perror("ql41sim: signalfd");
        return 1;
    }

    RadioSimulator radio(options);
    if (!radio.Start()) {
        std::fprintf(stderr, "ql41sim: %s\n", radio.Error().c_str());
        return 1;
    }
    const std::string path = radio.SlavePath();

    if (!link.empty()) {
        if (IsSymlink(link) && ::unlink(link.c_str()) != 0) {
            std::fprintf(stderr, "ql41sim: cannot replace %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
        if (::symlink(path.c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "ql41sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
    }

    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    signalfd_siginfo info{};
    for (;;) {
        const ssize_t n = ::read(signals, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info))
            break;
        if (n < 0 && errno != EINTR)
            break;
    }

    radio.Stop(); // saves when asked to
    if (!link.empty()) {
        // Remove the link only while it still names this radio's terminal.
        char target[PATH_MAX];
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length >= 0 && std::string(target, static_cast<size_t>(length)) == path)
            ::unlink(link.c_str());
    }
    ::close(signals);
    return 0;
}
