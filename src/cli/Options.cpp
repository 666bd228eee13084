#include "Options.h"

#include "platform/PortNames.h"

#include <algorithm>
#include <iterator>

namespace {

const int kRates[] = {9600, 19200, 38400, 57600};

struct CommandShape {
    const char* name;
    int arguments; // FILE arguments it takes
};
const CommandShape kCommands[] = {
    {"ident", 0}, {"read", 0}, {"write", 1}, {"verify", 1}, {"flash", 1}, {"info", 1}, {"ports", 0},
};

const CommandShape* FindCommand(const QString& name)
{
    for (const CommandShape& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

} // namespace

QString CliUsageText()
{
    return QStringLiteral(
        "Usage: ql41 [--port COMn | --port auto | --device PATH] [--program telemetry|pmr] [--yes] COMMAND [ARGS]\n"
        "Programs QL4100 family radios from the command line.\n"
        "\n"
        "Commands:\n"
        "  ident                 print the radio's identity, radio type and hardware\n"
        "  read -o FILE.mem      read the configuration into FILE.mem\n"
        "  write FILE.mem        write FILE.mem to the radio\n"
        "  verify FILE.mem       read the radio and compare with FILE.mem over the range a\n"
        "                        write would send; lists each differing address\n"
        "  flash FILE.mot [--baud 9600|19200|38400|57600] [--verify] [--voice FILE.wav]\n"
        "                        upgrade the radio's software through its boot loader\n"
        "                        (service adapter fitted); --voice adds a voice\n"
        "                        identification recording (ql4100 radios only)\n"
        "  info FILE.mem         radio type, hardware model, layout and size of a file\n"
        "  ports                 each COM number that has a device here, with its path\n"
        "\n"
        "Options:\n"
        "  --port COMn           the radio's port, COM1..COM256 (the programs' port map\n"
        "                        decides the device; without a port option the port\n"
        "                        last chosen in ql4100 or ql4100p is used, else COM1)\n"
        "  --port auto           scan COM1..COM256 for a radio, as Auto Detect does\n"
        "  --device PATH         the radio's serial device, e.g. /dev/ttyUSB0\n"
        "  --program telemetry|pmr\n"
        "                        use ql4100's (telemetry) or ql4100p's (pmr) rules; by\n"
        "                        default the radio's identity decides (P: pmr, T or D:\n"
        "                        telemetry), and for write, verify and info the file\n"
        "                        (8192 bytes or radio type 2 at address 50: pmr)\n"
        "  --yes                 answer yes to every question the programs would ask;\n"
        "                        without it such a question stops the command\n"
        "  -h, --help            this text\n"
        "\n"
        "Progress goes to standard error; Ctrl-C cancels a transfer as the Cancel\n"
        "button does.\n"
        "\n"
        "Exit status: 0 done, 1 radio or file failure, 2 usage error, 3 a question\n"
        "was not answered yes (its text is printed on standard error).\n");
}

bool ParseCliOptions(const QStringList& arguments, CliOptions& options, QString& error)
{
    options = CliOptions();
    QStringList positional;
    bool portGiven = false;
    bool baudGiven = false;
    bool outputGiven = false;
    bool optionsEnded = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        // "--name=value" or "--name value".
        QString name = arg;
        QString inlineValue;
        bool hasInline = false;
        const int equals = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && equals > 0) {
            name = arg.left(equals);
            inlineValue = arg.mid(equals + 1);
            hasInline = true;
        }
        auto value = [&](QString& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            out = arguments[++i];
            return true;
        };
        auto noValue = [&]() {
            if (hasInline)
                error = QStringLiteral("%1 takes no value").arg(name);
            return !hasInline;
        };

        QString text;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            options.help = true;
        } else if (name == QLatin1String("--port") || name == QLatin1String("--device")) {
            if (!value(text))
                return false;
            if (portGiven) {
                error = QStringLiteral("give only one --port or --device");
                return false;
            }
            portGiven = true;
            if (name == QLatin1String("--device")) {
                if (text.isEmpty()) {
                    error = QStringLiteral("--device needs a device path");
                    return false;
                }
                options.port = CliOptions::Port::Device;
                options.devicePath = text;
            } else if (text.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
                options.port = CliOptions::Port::Auto;
            } else {
                const int number = PortNames::PortNumber(text);
                if (number < 1 || number > CliOptions::kHighestPort) {
                    error = QStringLiteral("--port takes COM1..COM%1 or auto, not '%2'").arg(CliOptions::kHighestPort).arg(text);
                    return false;
                }
                options.port = CliOptions::Port::Number;
                options.portNumber = number;
            }
        } else if (name == QLatin1String("--program")) {
            if (!value(text))
                return false;
            if (text == QLatin1String("telemetry")) {
                options.program = Deliverable::Telemetry;
            } else if (text == QLatin1String("pmr")) {
                options.program = Deliverable::Pmr;
            } else {
                error = QStringLiteral("--program takes telemetry or pmr, not '%1'").arg(text);
                return false;
            }
        } else if (name == QLatin1String("--yes")) {
            if (!noValue())
                return false;
            options.yes = true;
        } else if (name == QLatin1String("-o")) {
            if (!value(text))
                return false;
            if (text.isEmpty()) {
                error = QStringLiteral("-o needs a file name");
                return false;
            }
            options.output = text;
            outputGiven = true;
        } else if (name == QLatin1String("--baud")) {
            if (!value(text))
                return false;
            bool ok = false;
            const int rate = text.toInt(&ok);
            if (!ok || std::find(std::begin(kRates), std::end(kRates), rate) == std::end(kRates)) {
                error = QStringLiteral("--baud takes 9600, 19200, 38400 or 57600, not '%1'").arg(text);
                return false;
            }
            options.baud = rate;
            baudGiven = true;
        } else if (name == QLatin1String("--verify")) {
            if (!noValue())
                return false;
            options.flashVerify = true;
        } else if (name == QLatin1String("--voice")) {
            if (!value(text))
                return false;
            if (text.isEmpty()) {
                error = QStringLiteral("--voice needs a file name");
                return false;
            }
            options.voiceFile = text;
        } else {
            error = QStringLiteral("unknown option '%1'").arg(arg);
            return false;
        }
    }

    if (options.help)
        return true;
    if (positional.isEmpty()) {
        error = QStringLiteral("no command given");
        return false;
    }
    options.command = positional.takeFirst();
    const CommandShape* shape = FindCommand(options.command);
    if (!shape) {
        error = QStringLiteral("unknown command '%1'").arg(options.command);
        return false;
    }
    if (positional.size() != shape->arguments) {
        error = shape->arguments == 0 ? QStringLiteral("%1 takes no file argument").arg(options.command)
                                      : QStringLiteral("%1 needs one file").arg(options.command);
        return false;
    }
    if (shape->arguments == 1) {
        options.file = positional.first();
        if (options.file.isEmpty()) {
            error = QStringLiteral("%1 needs one file").arg(options.command);
            return false;
        }
    }

    const bool flash = options.command == QLatin1String("flash");
    const bool read = options.command == QLatin1String("read");
    if (read && !outputGiven) {
        error = QStringLiteral("read needs -o FILE.mem");
        return false;
    }
    if (!read && outputGiven) {
        error = QStringLiteral("-o is for read only");
        return false;
    }
    if (!flash && (baudGiven || options.flashVerify || !options.voiceFile.isEmpty())) {
        error = QStringLiteral("--baud, --verify and --voice are for flash only");
        return false;
    }
    if (flash && !options.voiceFile.isEmpty() && options.program == Deliverable::Pmr) {
        error = QStringLiteral("--voice: voice identification is for ql4100 radios only");
        return false;
    }
    if (flash && options.port == CliOptions::Port::Auto) {
        // The scan asks the application firmware; a radio waiting in its
        // boot loader does not answer it.
        error = QStringLiteral("flash needs --port COMn or --device: a radio in its boot loader cannot be found "
                               "with --port auto");
        return false;
    }
    return true;
}
