#pragma once

#include "platform/Deliverable.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the command line of ql41 asks for.
struct CliOptions {
    static constexpr int kHighestPort = 256; // COM1..COM256
    enum class Port {
        Saved,  // the port last chosen in the programs, else COM1
        Number, // --port COMn
        Auto,   // --port auto: scan COM1..COM256 for a radio
        Device, // --device PATH
    };
    Port port = Port::Saved;
    int portNumber = 0;
    QString devicePath;
    std::optional<Deliverable> program; // --program: rules forced
    bool yes = false;
    bool help = false;

    QString command; // ident, read, write, verify, flash, info or ports
    QString file;    // the FILE argument of write, verify, flash and info
    QString output;  // read -o FILE
    int baud = 9600; // flash --baud
    bool flashVerify = false;
    QString voiceFile;
};

// Exit codes of ql41.
namespace CliExit {
constexpr int Done = 0;
constexpr int Failed = 1;  // the radio or a file failed
constexpr int Usage = 2;   // the command line is wrong
constexpr int Refused = 3; // a question was not answered yes (no --yes)
} // namespace CliExit

// Parses the arguments (without the program name). False with a one-line
// reason in error when the command line is wrong.
bool ParseCliOptions(const QStringList& arguments, CliOptions& options, QString& error);

// The --help text.
QString CliUsageText();
