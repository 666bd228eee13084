// The command-line programmer: its command line and progress display in
// process, and the ql41 executable end to end against simulated radios on
// pseudo-terminals.
#include "cli/Console.h"
#include "cli/Options.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "radio/Programmer.h"
#include "radio/Radiotype.h"
#include "telemetry/Eeprom.h"
#include "RadioSimulator.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

using Family = SimOptions::Family;
using testfiles::Pattern;
using testfiles::ReadFile;
using testfiles::WriteFile;

// ---- command line ----------------------------------------------------------

struct ParseCase {
    QStringList args;
    std::function<void(const CliOptions&)> check;
};

TEST(CliOptions, AcceptedCommandLines)
{
    const ParseCase cases[] = {
        {{"ident"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.command, "ident");
             EXPECT_EQ(o.port, CliOptions::Port::Saved);
             EXPECT_FALSE(o.program.has_value());
             EXPECT_FALSE(o.yes);
         }},
        {{"--port", "com12", "ident"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.port, CliOptions::Port::Number);
             EXPECT_EQ(o.portNumber, 12);
         }},
        {{"--port=COM256", "ports"}, [](const CliOptions& o) { EXPECT_EQ(o.portNumber, 256); }},
        {{"--port", "AUTO", "ident"}, [](const CliOptions& o) { EXPECT_EQ(o.port, CliOptions::Port::Auto); }},
        {{"--device", "/dev/ttyUSB0", "read", "-o", "out.mem"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.port, CliOptions::Port::Device);
             EXPECT_EQ(o.devicePath, "/dev/ttyUSB0");
             EXPECT_EQ(o.command, "read");
             EXPECT_EQ(o.output, "out.mem");
         }},
        {{"--program", "pmr", "--yes", "write", "a.mem"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.program, Deliverable::Pmr);
             EXPECT_TRUE(o.yes);
             EXPECT_EQ(o.file, "a.mem");
         }},
        // Options may follow the command; "--" ends them.
        {{"verify", "--program=telemetry", "--", "-odd.mem"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.program, Deliverable::Telemetry);
             EXPECT_EQ(o.file, "-odd.mem");
         }},
        {{"flash", "fw.mot", "--baud", "57600", "--verify", "--voice", "id.wav"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.file, "fw.mot");
             EXPECT_EQ(o.baud, 57600);
             EXPECT_TRUE(o.flashVerify);
             EXPECT_EQ(o.voiceFile, "id.wav");
         }},
        {{"flash", "fw.mot"},
         [](const CliOptions& o) {
             EXPECT_EQ(o.baud, 9600);
             EXPECT_FALSE(o.flashVerify);
         }},
        {{"info", "a.mem"}, [](const CliOptions& o) { EXPECT_EQ(o.file, "a.mem"); }},
        {{"bogus", "--help"}, [](const CliOptions& o) { EXPECT_TRUE(o.help); }},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CliOptions o;
        QString error;
        ASSERT_TRUE(ParseCliOptions(c.args, o, error)) << error.toStdString();
        c.check(o);
    }
}

TEST(CliOptions, UsageErrors)
{
    const struct {
        QStringList args;
        const char* error;
    } cases[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command 'frob'"},
        {{"read"}, "read needs -o FILE.mem"},
        {{"write"}, "write needs one file"},
        {{"verify", "a.mem", "b.mem"}, "verify needs one file"},
        {{"ident", "a.mem"}, "ident takes no file argument"},
        {{"--port", "COM0", "ident"}, "--port takes COM1..COM256 or auto, not 'COM0'"},
        {{"--port", "COM257", "ident"}, "--port takes COM1..COM256 or auto, not 'COM257'"},
        {{"--port", "/dev/ttyS0", "ident"}, "--port takes COM1..COM256 or auto, not '/dev/ttyS0'"},
        {{"--port", "COM1", "--device", "/dev/ttyS0", "ident"}, "give only one --port or --device"},
        {{"--program", "voice", "ident"}, "--program takes telemetry or pmr, not 'voice'"},
        {{"flash", "a.mot", "--baud", "115200"}, "--baud takes 9600, 19200, 38400 or 57600, not '115200'"},
        {{"write", "a.mem", "--verify"}, "--baud, --verify and --voice are for flash only"},
        {{"ident", "-o", "x.mem"}, "-o is for read only"},
        {{"--port", "auto", "flash", "a.mot"},
         "flash needs --port COMn or --device: a radio in its boot loader cannot be found with --port auto"},
        {{"--program", "pmr", "flash", "a.mot", "--voice", "v.wav"},
         "--voice: voice identification is for ql4100 radios only"},
        {{"--frobnicate", "ident"}, "unknown option '--frobnicate'"},
        {{"ident", "--port"}, "--port needs a value"},
        {{"--yes=1", "ident"}, "--yes takes no value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CliOptions o;
        QString error;
        EXPECT_FALSE(ParseCliOptions(c.args, o, error));
        EXPECT_EQ(error, QString::fromUtf8(c.error));
    }
}

// ---- progress display ------------------------------------------------------

// Standard error of a Console, captured in memory.
class CapturedConsole {
public:
    explicit CapturedConsole(bool terminal)
    {
        err_ = open_memstream(&buffer_, &size_);
        console = std::make_unique<Console>(err_, err_, terminal);
    }
    ~CapturedConsole()
    {
        console.reset();
        std::fclose(err_);
        std::free(buffer_);
    }
    QString Text()
    {
        std::fflush(err_);
        return QString::fromLocal8Bit(buffer_, static_cast<qsizetype>(size_));
    }
    std::unique_ptr<Console> console;

private:
    std::FILE* err_ = nullptr;
    char* buffer_ = nullptr;
    size_t size_ = 0;
};

TEST(CliConsole, ElsewhereThanATerminalOneLinePerTenth)
{
    CapturedConsole c(false);
    c.console->BeginProgress("Reading from radio...");
    for (int address = 8; address <= 2048; address += 8)
        c.console->Progress(Console::Percent(address, 2048));
    c.console->EndProgress();
    QStringList expected;
    for (int p = 0; p <= 100; p += 10)
        expected << QStringLiteral("Reading from radio... %1%").arg(p);
    EXPECT_EQ(c.Text(), expected.join('\n') + '\n');
}

TEST(CliConsole, AJumpPrintsTheTenthReached)
{
    CapturedConsole c(false);
    c.console->BeginProgress("Writing");
    c.console->Progress(37);
    c.console->Progress(39);
    c.console->Err("Error writing to radio");
    EXPECT_EQ(c.Text(), "Writing 0%\nWriting 30%\nError writing to radio\n");
}

TEST(CliConsole, OnATerminalTheBarRedrawsItsLine)
{
    CapturedConsole c(true);
    c.console->BeginProgress("Reading");
    c.console->Progress(50);
    c.console->Progress(50); // unchanged: not drawn again
    c.console->Progress(100);
    c.console->Err("done");
    const QString text = c.Text();
    EXPECT_EQ(text.count('\r'), 3);
    EXPECT_FALSE(text.contains("\n\r"));
    EXPECT_TRUE(text.contains("[###############               ]  50%"));
    EXPECT_TRUE(text.endsWith("[##############################] 100%\ndone\n"));
}

TEST(CliConsole, Percent)
{
    EXPECT_EQ(Console::Percent(0, 2048), 0);
    EXPECT_EQ(Console::Percent(1024, 2048), 50);
    EXPECT_EQ(Console::Percent(2056, 2048), 100);
    EXPECT_EQ(Console::Percent(-8, 2048), 0);
    EXPECT_EQ(Console::Percent(5, 0), 100);
}

// ---- the executable against simulated radios -------------------------------

struct CliResult {
    int code = -1; // -1: did not end normally
    QString out;
    QString err;
};

CliResult RunCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QL41_CLI), args);
    CliResult r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    p.waitForFinished(120000);
    if (p.exitStatus() == QProcess::NormalExit && p.state() == QProcess::NotRunning)
        r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray Bytes(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

std::vector<uint8_t> Vector(const QByteArray& b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

bool WroteToMemory(const RadioSimulator& sim)
{
    for (const RadioSimulator::Request& r : sim.Requests())
        if (r.code == 0x05 || r.code == 0x47)
            return true;
    return false;
}

// Code of the radio's last request, waiting while more come until it is a
// session close (0x03): ql41 may end before the radio has acted on a close,
// which has no answer.
int LastRequestAfterClose(const RadioSimulator& sim)
{
    auto requests = sim.Requests();
    while (!requests.empty() && requests.back().code != 0x03 && sim.WaitForRequests(requests.size() + 1, 2000))
        requests = sim.Requests();
    return requests.empty() ? -1 : requests.back().code;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // The backups of every read land here; start each test without any.
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Zyn").removeRecursively();
        QFile::remove(Settings(PortNames::MapKey(Deliverable::Telemetry)).FileName());
        QFile::remove(Settings(PortNames::MapKey(Deliverable::Pmr)).FileName());
    }

    RadioSimulator& Start(Family family, const std::function<void(SimOptions&)>& tweak = {})
    {
        SimOptions options;
        options.family = family;
        if (tweak)
            tweak(options);
        sim = std::make_unique<RadioSimulator>(options);
        EXPECT_TRUE(sim->Start()) << sim->Error();
        return *sim;
    }
    QString Device() const { return QString::fromStdString(sim->SlavePath()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    CliResult Run(QStringList args)
    {
        args.prepend(Device());
        args.prepend("--device");
        return RunCli(args);
    }
    // The simulated radio's memory with a pattern from address 100 on; the
    // identification bytes below it stay as the factory left them.
    QByteArray PatternedMemory(int seed)
    {
        QByteArray memory = Bytes(sim->Memory());
        const QByteArray pattern = Pattern(static_cast<int>(memory.size()) - 100, seed);
        memory.replace(100, pattern.size(), pattern);
        return memory;
    }
    static QStringList Backups(const QString& program)
    {
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Zyn/" + program + "/backups";
        QStringList paths;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            paths << folder + '/' + name;
        return paths;
    }

    QTemporaryDir dir;
    std::unique_ptr<RadioSimulator> sim;
};

TEST_F(Cli, IdentPrintsTheRadioSummaryFactsOfEachFamily)
{
    const struct {
        Family family;
        int type; // written over the factory type byte unless -1
        QStringList extra;
        const char* expected;
    } cases[] = {
        {Family::Telemetry, -1, {},
         "Identity: QL4100T v2.10\nRadio type: Telemetry\nHardware: QL4100 UHF\n"},
        {Family::Data, -1, {}, "Identity: QL4100D v2.10\nRadio type: Data\nHardware: QL4100 UHF\n"},
        {Family::Repeater, -1, {},
         "Identity: QL4100T v2.10\nRadio type: Repeater Output\nHardware: QL4100 UHF\n"},
        {Family::Pmr, -1, {},
         "Identity: QL4100P v3.01\nRadio type: PMR\nHardware: QL4120U (450-520MHz) (new hd)\n"},
        // The P identity brings ql4100p's rules: it names a stunned radio.
        {Family::Pmr, 12, {},
         "Identity: QL4100P v3.01\nRadio type: Stunned radio\nHardware: QL4120U (450-520MHz) (new hd)\n"},
        {Family::Pmr, 12, {"--program", "telemetry"},
         "Identity: QL4100P v3.01\nRadio type: Unknown radio type\nHardware: QL4120U UHF\n"},
    };
    for (const auto& c : cases) {
        Start(c.family);
        if (c.type >= 0)
            sim->SetMemory(RadioIdent::kRadioTypeAddress, {static_cast<uint8_t>(c.type)});
        SCOPED_TRACE(c.expected);
        const CliResult r = Run(c.extra + QStringList{"ident"});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.expected);
        EXPECT_FALSE(WroteToMemory(*sim));
    }
}

TEST_F(Cli, ReadSavesExactlyTheRadiosMemoryAndKeepsABackup)
{
    for (Family family : {Family::Telemetry, Family::Pmr}) {
        const bool pmr = family == Family::Pmr;
        SCOPED_TRACE(pmr ? "pmr" : "telemetry");
        Start(family);
        const QByteArray memory = PatternedMemory(pmr ? 3 : 5);
        sim->SetMemory(0, Vector(memory));
        const QString out = Path(pmr ? "p.mem" : "t.mem");

        const CliResult r = Run({"read", "-o", out});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        // The default PMR radio is a "20" model with firmware 3: the
        // extended layout, all 8192 bytes.
        EXPECT_EQ(ReadFile(out), memory);
        EXPECT_TRUE(r.out.startsWith(pmr ? "Radio config loaded from QL4100P v3.01 (PMR, "
                                         : "Radio config loaded from QL4100T v2.10 (Telemetry, "));
        EXPECT_TRUE(r.err.contains("Reading from radio... 100%"));
        const QStringList backups = Backups(pmr ? "Ql4100P" : "Ql4100t");
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(ReadFile(backups.first()), memory);
        EXPECT_TRUE(r.out.contains("Backup: " + backups.first()));
        EXPECT_FALSE(WroteToMemory(*sim));
    }
}

TEST_F(Cli, WriteLeavesTheRadioHoldingTheFileFrom48)
{
    for (Family family : {Family::Telemetry, Family::Pmr}) {
        const bool pmr = family == Family::Pmr;
        SCOPED_TRACE(pmr ? "pmr" : "telemetry");
        const QString save = Path("saved.mem");
        Start(family, [&](SimOptions& o) { o.saveFile = save.toStdString(); });
        const QByteArray before = Bytes(sim->Memory());
        QByteArray file = PatternedMemory(9);
        // Calibration and hardware bytes the file gets wrong: a write keeps
        // the radio's own.
        file[3] = static_cast<char>(before[3] ^ 0x55);
        file[RadioIdent::kHardwareAddress] = static_cast<char>(0x80);
        file[41] = 0x12;
        file[42] = 0x34;
        ASSERT_TRUE(WriteFile(Path("in.mem"), file));

        const CliResult r = Run({"write", Path("in.mem")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("Written %1 to %2 (addresses 48-%3)\n")
                             .arg(Path("in.mem"), pmr ? "QL4100P v3.01" : "QL4100T v2.10")
                             .arg(pmr ? 8191 : 2047));

        // The radio saves its memory as the session closes.
        ASSERT_EQ(LastRequestAfterClose(*sim), 0x03);
        const QByteArray saved = ReadFile(save);
        ASSERT_EQ(saved.size(), file.size());
        EXPECT_EQ(saved.mid(48), file.mid(48));
        EXPECT_EQ(saved.left(40), before.left(40));
        EXPECT_EQ(saved[RadioIdent::kHardwareAddress], before[RadioIdent::kHardwareAddress]);
        // ql4100p sends two factory bytes with the configuration.
        EXPECT_EQ(saved.mid(41, 2), pmr ? file.mid(41, 2) : before.mid(41, 2));
    }
}

TEST_F(Cli, VerifyListsEachDifferenceWithBothValues)
{
    Start(Family::Telemetry);
    const QByteArray file = PatternedMemory(4);
    sim->SetMemory(0, Vector(file));
    ASSERT_TRUE(WriteFile(Path("t.mem"), file));

    CliResult r = Run({"verify", Path("t.mem")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "The radio matches " + Path("t.mem") + " (addresses 48-2047)\n");

    // Two bytes in the range a write sends, one below it (calibration).
    sim->SetMemory(300, {static_cast<uint8_t>(file[300] ^ 0xFF)});
    sim->SetMemory(2047, {0x5A});
    sim->SetMemory(10, {static_cast<uint8_t>(file[10] ^ 1)});
    r = Run({"verify", Path("t.mem")});
    EXPECT_EQ(r.code, 1);
    const auto hex = [](int v) { return QStringLiteral("0x%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper().replace("0X", "0x"); };
    EXPECT_EQ(r.out, QStringLiteral("0x012C (300): file %1, radio %2\n"
                                    "0x07FF (2047): file %3, radio 0x5A\n"
                                    "2 bytes differ between %4 and the radio\n")
                         .arg(hex(file[300]), hex(file[300] ^ 0xFF), hex(file[2047]), Path("t.mem")));
    EXPECT_FALSE(WroteToMemory(*sim));
}

TEST_F(Cli, VerifyOfAPmrRadioCoversTheFactoryBytesAWriteSends)
{
    Start(Family::Pmr);
    QByteArray file = PatternedMemory(6);
    sim->SetMemory(0, Vector(file));
    file[41] = static_cast<char>(file[41] ^ 0x0F);
    ASSERT_TRUE(WriteFile(Path("p.mem"), file));
    const CliResult r = Run({"verify", Path("p.mem")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith("0x0029 (41): file ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith("1 byte differs between " + Path("p.mem") + " and the radio\n"));
}

TEST_F(Cli, ARefusedQuestionExitsThreeAndWritesNothingYesGoesOn)
{
    // A telemetry configuration for a PMR radio: the firmware does not match.
    Start(Family::Pmr);
    ASSERT_TRUE(WriteFile(Path("t.mem"), ReadFile(QStringLiteral(QL41_SOURCE_DIR "/data/def41t.mem"))));
    CliResult r = Run({"write", Path("t.mem")});
    EXPECT_EQ(r.code, 3);
    const QString question = FirmwareMismatchText("QL4100P v3.01", 0, 0);
    EXPECT_TRUE(r.err.startsWith(question + "\n")) << r.err.toStdString();
    EXPECT_FALSE(WroteToMemory(*sim));

    r = Run({"--yes", "write", Path("t.mem")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(question + "\nAnswered yes (--yes).\n"));
    EXPECT_EQ(Bytes(sim->Memory()).mid(48, 2000), ReadFile(Path("t.mem")).mid(48, 2000));
}

TEST_F(Cli, StunnedRadioIsRevivedOnlyWithYes)
{
    Start(Family::Pmr);
    sim->SetMemory(RadioIdent::kRadioTypeAddress, {RadioIdent::kTypeStunned});
    const QString out = Path("p.mem");
    ASSERT_TRUE(WriteFile(out, "old"));

    CliResult r = Run({"read", "-o", out});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(ProgrammerText::kReviveStunned) + "\n"));
    EXPECT_EQ(ReadFile(out), "old");
    EXPECT_EQ(sim->Memory()[RadioIdent::kRadioTypeAddress], RadioIdent::kTypeStunned);
    EXPECT_FALSE(WroteToMemory(*sim));
    // The radio was not left in programming mode.
    EXPECT_EQ(LastRequestAfterClose(*sim), 0x03);

    r = Run({"--yes", "read", "-o", out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(sim->Memory()[RadioIdent::kRadioTypeAddress], RadioIdent::kTypePmr);
    EXPECT_EQ(ReadFile(out), Bytes(sim->Memory()));
}

TEST_F(Cli, ExtendedFileToARadioWithoutTheLayoutAsksFirst)
{
    Start(Family::Pmr);
    // 0x70: a QL4100, not a "20" model: only the short layout.
    ASSERT_FALSE(IsTwentyModel(DecodeHardware(Deliverable::Pmr, 0x70)));
    sim->SetMemory(RadioIdent::kHardwareAddress, {0x70});
    const QByteArray before = Bytes(sim->Memory());
    ASSERT_TRUE(WriteFile(Path("x.mem"), PatternedMemory(2))); // 8192 bytes: extended
    const CliResult r = Run({"write", Path("x.mem")});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(ProgrammerText::kNinetyNineChannels) + "\n"));
    EXPECT_EQ(Bytes(sim->Memory()), before);
    EXPECT_FALSE(WroteToMemory(*sim));
}

TEST_F(Cli, SilentRadio)
{
    Start(Family::Telemetry, [](SimOptions& o) { o.silent = true; });
    const QString out = Path("t.mem");
    ASSERT_TRUE(WriteFile(out, "keep me"));
    CliResult r = Run({"read", "-o", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unable to read from radio\n");
    EXPECT_EQ(ReadFile(out), "keep me");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"t.mem"}); // no temporary left

    r = Run({"ident"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unable to read from radio\n");

    ASSERT_TRUE(WriteFile(Path("w.mem"), ReadFile(QStringLiteral(QL41_SOURCE_DIR "/data/def41t.mem"))));
    r = Run({"write", Path("w.mem")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unable to write to radio\n");
}

TEST_F(Cli, ReadOfARadioOfAnotherType)
{
    // ql4100 takes only telemetry and data radios: an error, no question.
    Start(Family::Telemetry);
    sim->SetMemory(RadioIdent::kRadioTypeAddress, {7});
    CliResult r = Run({"read", "-o", Path("t.mem")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QString::fromUtf8(ProgrammerText::kWrongRadioType) + "\n");

    // ql4100p's rules, forced on a telemetry radio, ask whether to go on.
    sim->SetMemory(RadioIdent::kRadioTypeAddress, {RadioIdent::kTypeTelemetry});
    r = Run({"--program", "pmr", "read", "-o", Path("t.mem")});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(ProgrammerText::kNotPmr) + "\n"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(LastRequestAfterClose(*sim), 0x03);
}

TEST_F(Cli, RadioThatStopsAnsweringMidReadLeavesNoFile)
{
    Start(Family::Telemetry, [](SimOptions& o) { o.failAfter = 60; });
    const CliResult r = Run({"read", "-o", Path("t.mem")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.endsWith("Error reading from radio\n")) << r.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(Backups("Ql4100t").isEmpty());
}

// Five pages from 0xC0000.
const char* const kFivePages =
    "S2140C0000000102030405060708090A0B0C0D0E0F67\n"
    "S2140C01000102030405060708090A0B0C0D0E0F1056\n"
    "S2140C020002030405060708090A0B0C0D0E0F101145\n"
    "S2140C0300030405060708090A0B0C0D0E0F10111234\n"
    "S2140C04000405060708090A0B0C0D0E0F1011121323\n";

// Runs ql41 and sends it Ctrl-C (SIGINT) once its standard error shows
// text.
CliResult InterruptWhenShown(const QStringList& args, const QByteArray& text)
{
    QProcess p;
    p.start(QStringLiteral(QL41_CLI), args);
    CliResult r;
    if (!p.waitForStarted(10000))
        return r;
    QByteArray err;
    QElapsedTimer clock;
    clock.start();
    while (!err.contains(text) && clock.elapsed() < 30000 && p.state() == QProcess::Running) {
        p.waitForReadyRead(200);
        err += p.readAllStandardError();
    }
    if (err.contains(text))
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    p.waitForFinished(30000);
    if (p.exitStatus() == QProcess::NormalExit && p.state() == QProcess::NotRunning)
        r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(err + p.readAllStandardError());
    return r;
}

TEST_F(Cli, CtrlCCancelsTheReadLikeCancel)
{
    // Late replies make the read last seconds.
    Start(Family::Telemetry, [](SimOptions& o) { o.lateMs = 20; });
    const QString out = Path("t.mem");
    ASSERT_TRUE(WriteFile(out, "old"));
    const CliResult r = InterruptWhenShown({"--device", Device(), "read", "-o", out}, "Reading from radio... 0%");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.endsWith("Read cancelled; nothing written to " + out + "\n")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("100%"));
    EXPECT_EQ(ReadFile(out), "old");
    EXPECT_TRUE(Backups("Ql4100t").isEmpty());
    // The session was closed as Cancel closes it.
    EXPECT_EQ(LastRequestAfterClose(*sim), 0x03);
}

TEST_F(Cli, CtrlCCancelsAFlashUpgradeBetweenPages)
{
    // At 9600 bit/s reading back every page takes minutes.
    Start(Family::Telemetry, [](SimOptions& o) {
        o.bootloader = true;
        o.eraseMs = 20;
        o.lineRate = 9600;
    });
    ASSERT_TRUE(WriteFile(Path("fw.mot"), kFivePages));
    const CliResult r =
        InterruptWhenShown({"--device", Device(), "flash", Path("fw.mot"), "--verify"}, "Verify: Verifying...");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Flash update cancelled.\n")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Verify: Verified"));
}

TEST_F(Cli, ReadIntoAFolderThatCannotTakeTheFileStartsNothing)
{
    Start(Family::Telemetry);
    const CliResult r = Run({"read", "-o", Path("missing/t.mem")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("There is a problem writing the file: " + Path("missing/t.mem")));
    EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(Cli, FilesThatCannotGoToARadio)
{
    Start(Family::Telemetry);
    QByteArray unknownType = ReadFile(QStringLiteral(QL41_SOURCE_DIR "/data/def41t.mem"));
    unknownType[RadioIdent::kRadioTypeAddress] = 5;
    ASSERT_TRUE(WriteFile(Path("unknown.mem"), unknownType));
    ASSERT_TRUE(WriteFile(Path("short.mem"), Pattern(1000, 0).replace(50, 1, "\x00", 1)));
    QByteArray oddPmr = Pattern(3000, 1);
    oddPmr[RadioIdent::kRadioTypeAddress] = 2;
    ASSERT_TRUE(WriteFile(Path("odd.mem"), oddPmr));

    const struct {
        QStringList args;
        QString err;
    } cases[] = {
        {{"write", Path("unknown.mem")}, QString::fromUtf8(MemFile::kUnknownTypeText) + "\n"},
        {{"verify", Path("unknown.mem")}, QString::fromUtf8(MemFile::kUnknownTypeText) + "\n"},
        {{"write", Path("short.mem")},
         "There is a problem reading the file: " + Path("short.mem") + " (1000 bytes; a ql4100 file holds 2048)\n"},
        {{"write", Path("odd.mem")},
         "There is a problem reading the file: " + Path("odd.mem") + " (3000 bytes; a ql4100p file holds 2048 or "
                                                                     "8192)\n"},
        {{"write", Path("none.mem")}, "There is a problem reading the file: " + Path("none.mem") +
                                          " (No such file or directory)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(Cli, InfoDescribesAProgrammingFile)
{
    QByteArray repeater = ReadFile(QStringLiteral(QL41_SOURCE_DIR "/data/def41t.mem"));
    repeater[RadioIdent::kModeAddress] = static_cast<char>(repeater[RadioIdent::kModeAddress] | 0x08);
    ASSERT_TRUE(WriteFile(Path("r.mem"), repeater));
    QByteArray extended(8192, '\xFF');
    extended[RadioIdent::kRadioTypeAddress] = 2;
    extended[RadioIdent::kHardwareAddress] = static_cast<char>(0x80);
    ASSERT_TRUE(WriteFile(Path("x.mem"), extended));

    const struct {
        QString file;
        const char* rest;
    } cases[] = {
        {Path("r.mem"),
         "Program: ql4100\nRadio type: Repeater Output\nHardware: QL4100 UHF\nLayout: 2048 bytes\nSize: 2048 bytes\n"},
        {QStringLiteral(QL41_SOURCE_DIR "/data/def41p.mem"),
         "Program: ql4100p\nRadio type: PMR\nHardware: QL4120U (403-477MHz) (new hd)\nLayout: short, 2048 "
         "bytes\nSize: 2048 bytes\n"},
        {Path("x.mem"),
         "Program: ql4100p\nRadio type: PMR\nHardware: QL4120U (450-520MHz) (old hd)\nLayout: extended (F/W "
         "version 3 features), 8192 bytes\nSize: 8192 bytes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const CliResult r = RunCli({"info", c.file});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, "File: " + c.file + "\n" + c.rest);
    }
    const CliResult missing = RunCli({"info", Path("none.mem")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.out.isEmpty());
}

TEST_F(Cli, PortAutoFindsTheRadioThroughThePortMap)
{
    Start(Family::Pmr);
    Settings map(PortNames::MapKey(Deliverable::Telemetry));
    ASSERT_TRUE(map.Open(true));
    // COM1-3 lead nowhere; the scan goes on to COM4.
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(map.WriteString(QStringLiteral("COM%1").arg(n), Path(QStringLiteral("nothing%1").arg(n))));
    ASSERT_TRUE(map.WriteString("COM4", Device()));

    CliResult r = RunCli({"--port", "auto", "ident"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "Radio found on COM4 (" + Device() + ")\n");
    EXPECT_TRUE(r.out.startsWith("Identity: QL4100P v3.01\nRadio type: PMR\n"));

    r = RunCli({"--port", "COM4", "read", "-o", Path("p.mem")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(Path("p.mem")), Bytes(sim->Memory()));

    r = RunCli({"ports"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("COM4   " + Device() + "\n"));
    EXPECT_FALSE(r.out.contains("nothing"));

    r = RunCli({"--port", "COM2", "ident"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unable to open COM2 (" + Path("nothing2") + ")\n");
}

TEST(CliUsage, UsageErrorsExitTwoAndHelpDocumentsTheCommands)
{
    for (const QStringList& args : {QStringList{}, QStringList{"frob"}, QStringList{"--port", "COM0", "ident"},
                                    QStringList{"read"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("ql41: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith("\nTry 'ql41 --help'.\n"));
        EXPECT_TRUE(r.out.isEmpty());
    }
    const CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"ident", "read -o FILE.mem", "write FILE.mem", "verify FILE.mem", "flash FILE.mot",
                             "--baud 9600|19200|38400|57600", "--verify", "--voice FILE.wav", "info FILE.mem",
                             "ports", "--port COMn", "--port auto", "--device PATH", "--program telemetry|pmr",
                             "--yes"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(word))) << word;
}

// ---- flash -----------------------------------------------------------------

TEST_F(Cli, FlashUpgradesThroughTheBootLoader)
{
    Start(Family::Telemetry, [](SimOptions& o) {
        o.bootloader = true;
        o.eraseMs = 20;
    });
    ASSERT_TRUE(WriteFile(Path("fw.mot"), kFivePages));
    const CliResult r = Run({"flash", Path("fw.mot"), "--baud", "57600", "--verify"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (const char* line : {"File: File Loaded\n", "Connect: Connected\n", "Version: BL v1.00\n",
                             "ID: ID Check Passed\n", "Erase: Erased\n", "Write: Programmed\n",
                             "Verify: Verified\n", "Flash update complete.\n"})
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(line))) << line << "\n" << r.err.toStdString();
    const std::vector<uint8_t> flash = sim->Flash();
    for (int page = 0; page < 5; ++page)
        for (int i = 0; i < 16; ++i)
            ASSERT_EQ(flash[static_cast<size_t>(page * 256 + i)], page + i);
    EXPECT_TRUE(sim->Erased());
    EXPECT_EQ(sim->BootSpeed(), 9600); // back to 9600 at the end
}

// A RIFF/WAVE recording: 8-bit mono PCM at 8000 Hz.
QByteArray EightBitWave(const QByteArray& samples)
{
    const auto le = [](uint32_t v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return b;
    };
    QByteArray data = "data" + le(static_cast<uint32_t>(samples.size()), 4) + samples;
    if (samples.size() % 2)
        data.append('\0');
    const QByteArray fmt = "fmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) + le(8000, 4) + le(1, 2) + le(8, 2);
    return "RIFF" + le(static_cast<uint32_t>(4 + fmt.size() + data.size()), 4) + "WAVE" + fmt + data;
}

TEST_F(Cli, FlashMergesAVoiceIdentification)
{
    Start(Family::Telemetry, [](SimOptions& o) {
        o.bootloader = true;
        o.eraseMs = 20;
    });
    ASSERT_TRUE(WriteFile(Path("fw.mot"), kFivePages));
    ASSERT_TRUE(WriteFile(Path("id.wav"), EightBitWave(QByteArray("\x80\x81\x7F\x00\xFF", 5))));
    CliResult r = Run({"flash", Path("fw.mot"), "--voice", Path("id.wav")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Voice ID: 8000 Hz, 0.0 s\n"));
    // The voice block at 0xE0000: rate, sample count, samples, then blank.
    const std::vector<uint8_t> flash = sim->Flash();
    const std::vector<uint8_t> block(flash.begin() + 0x20000, flash.begin() + 0x20000 + 10);
    EXPECT_EQ(block, (std::vector<uint8_t>{0x40, 0x1F, 0x05, 0x00, 0x80, 0x81, 0x7F, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(flash[0x100], 0x01); // the program still went in

    Start(Family::Telemetry, [](SimOptions& o) { o.bootloader = true; });
    ASSERT_TRUE(WriteFile(Path("bad.wav"), "not a recording"));
    r = Run({"flash", Path("fw.mot"), "--voice", Path("bad.wav")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.endsWith("Error reading voice ID wavefile: \n" + Path("bad.wav") + "\n"));
    EXPECT_TRUE(sim->WireReceived().empty());
}

TEST_F(Cli, FlashFailuresExitOne)
{
    ASSERT_TRUE(WriteFile(Path("fw.mot"), kFivePages));
    const struct {
        std::function<void(SimOptions&)> fault;
        QStringList extra;
        const char* line;
    } cases[] = {
        {[](SimOptions& o) { o.idMismatch = true; }, {}, "ID: ID Check Failed\n"},
        {[](SimOptions& o) { o.programFailAt = 0xC0200; }, {}, "Write: Program Fail\n"},
        {[](SimOptions& o) { o.bootloader = false; }, {}, "Connect: Failed Connect\n"},
        // The upgrade itself runs to its end; the command still fails.
        {[](SimOptions& o) { o.corruptAt = 0xC0300; }, {"--verify"}, "Verify: Verify Fail\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Start(Family::Telemetry, [&](SimOptions& o) {
            o.bootloader = true;
            o.eraseMs = 20;
            c.fault(o);
        });
        const CliResult r = Run(QStringList{"flash", Path("fw.mot")} + c.extra);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.line))) << r.err.toStdString();
        const bool verifyFault = c.extra.contains("--verify");
        EXPECT_TRUE(r.err.contains(verifyFault ? "Flash update complete.\n" : "Flash update error.\n"));
    }

    Start(Family::Telemetry, [](SimOptions& o) { o.bootloader = true; });
    const CliResult missing = Run({"flash", Path("none.mot")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "File: Error opening file\n");
    EXPECT_TRUE(sim->WireReceived().empty()); // nothing was sent to the radio
}

} // namespace
