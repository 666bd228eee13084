#include "ScriptedDialogs.h"
#include "pmr/Eeprom.h"
#include "pmr/ImageDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <csignal>
#include <deque>
#include <gtest/gtest.h>

#include "TestFiles.h"
#include <sys/resource.h>
#include <vector>

namespace {

using testfiles::Pattern;
using testfiles::ReadFile;
using testfiles::WriteFile;

QByteArray Bytes(const PmrImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.Data()), EEbuffer::kImageSize);
}

void Fill(PmrImage& image, const QByteArray& bytes)
{
    ASSERT_EQ(bytes.size(), EEbuffer::kImageSize);
    std::copy(bytes.begin(), bytes.end(), image.Data());
}

// Answers the image operations' questions from a script (OK when nothing is
// scripted) and records everything it is asked and shown.
class ScriptedFrontEnd : public PmrImageFrontEnd {
public:
    bool AskDisableV3Features() override { return Answer(QStringLiteral("disable")); }
    bool AskEnableV3Features() override { return Answer(QStringLiteral("enable")); }
    void ShowWriteError() override { ++writeErrors; }
    void ShowStatus(const QString& text) override { status.append(text); }
    void ClearRadioLabels() override { labelClears.append(status.size()); }
    void ShowLayout(bool extended) override { layouts.append(extended); }

    std::deque<bool> answers;
    QStringList asked;
    int writeErrors = 0;
    QStringList status;
    QList<qsizetype> labelClears; // status texts shown before each clear
    QList<bool> layouts;

private:
    bool Answer(const QString& question)
    {
        asked.append(question);
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

// A fresh image whose layout flag is set as wanted.
void SetLayout(PmrImage& image, bool extended)
{
    ScriptedFrontEnd fe;
    image.SetV3Features(extended, fe);
    ASSERT_EQ(image.V3Features(), extended);
}

} // namespace

// ---- EEbuffer --------------------------------------------------------------

TEST(EEbuffer, ByteAccessAtTheEdges)
{
    std::vector<uint8_t> bytes(8192, 0xFF);
    EEbuffer ee(bytes.data());
    EXPECT_EQ(ee.Size(), 8192);
    struct Case {
        int address;
        bool inside;
    };
    for (const Case c : {Case{-1, false}, Case{0, true}, Case{2047, true}, Case{2048, true}, Case{8191, true},
                         Case{8192, false}, Case{100000, false}}) {
        ee.SetByte(c.address, 0x1A5); // only the low 8 bits are stored
        EXPECT_EQ(ee.GetByte(c.address), c.inside ? 0xA5 : 0) << c.address;
    }
    int changed = 0;
    for (uint8_t b : bytes)
        changed += b != 0xFF;
    EXPECT_EQ(changed, 4);
}

TEST(EEbuffer, WordsAtTheEdges)
{
    std::vector<uint8_t> bytes(8192, 0xFF);
    EEbuffer ee(bytes.data());
    struct Case {
        int address;
        bool inside;
    };
    for (const Case c : {Case{-1, false}, Case{0, true}, Case{8190, true}, Case{8191, false}, Case{8192, false}}) {
        const std::vector<uint8_t> before = bytes;
        ee.SetWord(c.address, 0xBEEF);
        if (c.inside) {
            EXPECT_EQ(bytes[c.address], 0xEF) << c.address;
            EXPECT_EQ(bytes[c.address + 1], 0xBE) << c.address;
            EXPECT_EQ(ee.GetWord(c.address), 0xBEEFu) << c.address;
        } else {
            EXPECT_EQ(bytes, before) << c.address;
            EXPECT_EQ(ee.GetWord(c.address), 0u) << c.address;
        }
    }
}

TEST(EEbuffer, BlocksStopAtTheEndAndServeTheTransfer)
{
    std::vector<uint8_t> bytes(8192, 0xFF);
    EEbuffer ee(bytes.data());
    ImageBlocks& blocks = ee;
    const uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        int address;
        int copied;
    };
    for (const Case c : {Case{0, 8}, Case{2044, 8}, Case{8184, 8}, Case{8188, 4}, Case{8191, 1}, Case{8192, 0},
                         Case{-1, 0}}) {
        EXPECT_EQ(blocks.WriteBlock(c.address, src, 8), c.copied) << c.address;
        uint8_t dst[8] = {};
        EXPECT_EQ(blocks.ReadBlock(c.address, dst, 8), c.copied) << c.address;
        for (int i = 0; i < c.copied; ++i)
            EXPECT_EQ(dst[i], src[i]) << c.address << "+" << i;
        for (int i = c.copied; i < 8; ++i)
            EXPECT_EQ(dst[i], 0) << c.address << "+" << i; // untouched
    }
    EXPECT_EQ(bytes[8188], 1);
    EXPECT_EQ(bytes[8191], 1); // the 1-byte write came last
}

TEST(EEbuffer, EraseAndPageBlank)
{
    std::vector<uint8_t> bytes(8192, 0x00);
    EEbuffer ee(bytes.data());
    EXPECT_FALSE(ee.IsPageBlank(0));
    ee.Erase();
    for (uint8_t b : bytes)
        ASSERT_EQ(b, 0xFF);
    EXPECT_TRUE(ee.IsPageBlank(8191)); // page 7936..8191
    ee.SetByte(7936, 0);
    EXPECT_FALSE(ee.IsPageBlank(8191));
    EXPECT_TRUE(ee.IsPageBlank(7935));
    EXPECT_FALSE(ee.IsPageBlank(8192));
    EXPECT_FALSE(ee.IsPageBlank(-1));
}

TEST(EEbuffer, WithoutStorageReadsZeroAndWritesNothing)
{
    EEbuffer ee;
    EXPECT_EQ(ee.Size(), 8192);
    ee.SetByte(0, 1);
    ee.EraseRange(0, 8192);
    ee.Erase();
    EXPECT_EQ(ee.GetByte(0), 0);
    EXPECT_EQ(ee.GetWord(0), 0u);
    uint8_t b[8] = {};
    EXPECT_EQ(ee.WriteBlock(0, b, 8), 0);
    EXPECT_EQ(ee.ReadBlock(0, b, 8), 0);
}

TEST(EEbuffer, EraseRange)
{
    struct Case {
        int from;
        int to;
        int firstErased; // erased addresses: [firstErased, endErased)
        int endErased;
    };
    const Case cases[] = {
        {2048, 8192, 2048, 8192},
        {2048, 9000, 2048, 8192}, // stops at the end of the image
        {100, 50, 0, 0},          // to below from: nothing
        {100, 100, 0, 0},         // empty range
        {100, 101, 100, 101},
        {0, 8192, 0, 8192},
        {8191, 8192, 8191, 8192},
        {8192, 9000, 0, 0},
        {-5, 3, 0, 3}, // addresses below 0 are not in the image
        {-10, -5, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(8192, 0x00);
        EEbuffer ee(bytes.data());
        ee.EraseRange(c.from, c.to);
        for (int a = 0; a < 8192; ++a)
            ASSERT_EQ(bytes[a], (a >= c.firstErased && a < c.endErased) ? 0xFF : 0x00)
                << "EraseRange(" << c.from << ", " << c.to << ") at " << a;
    }
}

// ---- Name filter -------------------------------------------------------------

TEST(NameFilter, EachByte)
{
    struct Case {
        uint8_t in;
        char out;
    };
    const Case cases[] = {
        {'A', 'A'}, {'Z', 'Z'}, {'a', 'A'}, {'m', 'M'}, {'z', 'Z'}, {'0', '0'}, {'9', '9'},
        {' ', ' '}, {'*', '*'}, {'+', '+'}, {'-', '-'}, {'.', '.'},
        {0x00, ' '}, {0xFF, ' '}, {'/', ' '}, {',', ' '}, {'#', ' '}, {'_', ' '}, {'@', ' '}, {'[', ' '},
        {'`', ' '}, {'{', ' '}, {0x7F, ' '}, {0x80, ' '}, {0xC9, ' '}, {0xE9, ' '}, {'\t', ' '},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameFilter(c.in), c.out) << int(c.in);
}

TEST(NameFilter, WholeName)
{
    const uint8_t stored[11] = {'r', 'p', 't', '-', '2', 0x00, 0xFF, 'x', '.', '!', '*'};
    EXPECT_EQ(NameFilter(stored, 11), QStringLiteral("RPT-2  X. *"));
    EXPECT_EQ(NameFilter(stored, 0), QString());
}

// ---- The image document ------------------------------------------------------

TEST(PmrImage, StartsAsZerosInTheShortLayout)
{
    PmrImage image;
    EXPECT_EQ(Bytes(image), QByteArray(8192, '\0'));
    EXPECT_FALSE(image.V3Features());
    EXPECT_EQ(image.LayoutSize(), 2048);
    EXPECT_EQ(image.FileSize(), 0);
    EXPECT_TRUE(image.CurrentFile().isEmpty());
    EXPECT_EQ(image.Buffer().Data(), image.Data());
    EXPECT_EQ(image.Buffer().Size(), 8192);
    image.Buffer().SetByte(8191, 0x42);
    EXPECT_EQ(image.Data()[8191], 0x42);
}

// A file image in which the short-layout load has something to normalise:
// hidden channel records with flag A bit 0 set, name slots with bytes after
// an end 0x00.
QByteArray FileImage(int size)
{
    QByteArray b = Pattern(size, 11);
    for (int k = 0; k < 25 && 545 + 8 * k + 6 < size; ++k)
        b[545 + 8 * k + 6] = static_cast<char>(0x11 | (k << 1));
    for (int slot = 0; slot < 100 && 745 + 5 * slot + 5 <= size; ++slot) {
        const int s = 745 + 5 * slot;
        switch (slot % 4) {
        case 0: b.replace(s, 5, QByteArray("AB\0CD", 5)); break;
        case 1: b.replace(s, 5, QByteArray("\0XYZW", 5)); break;
        case 2: b.replace(s, 5, QByteArray("HELLO", 5)); break;
        default: b.replace(s, 5, QByteArray("\xFF\xFF\0\xFF\x01", 5)); break;
        }
    }
    return b;
}

// What the short-layout load leaves of FileImage(2048): the channel table
// read and written back.
QByteArray NormalisedShortImage()
{
    QByteArray b = FileImage(2048);
    for (int k = 0; k < 25; ++k)
        b[545 + 8 * k + 6] = static_cast<char>(0x10 | (k << 1));
    for (int slot = 0; slot < 100; ++slot) {
        const int s = 745 + 5 * slot;
        switch (slot % 4) {
        case 0: b.replace(s, 5, QByteArray("AB\0\0\0", 5)); break;
        case 1: b.replace(s, 5, QByteArray("\0\0\0\0\0", 5)); break;
        case 2: break;
        default: b.replace(s, 5, QByteArray("\xFF\xFF\0\0\0", 5)); break;
        }
    }
    return b + QByteArray(8192 - 2048, '\xFF');
}

TEST(PmrImage, LoadByFileSize)
{
    struct Case {
        int fileSize;
        bool startExtended;
        bool loaded;
        bool extendedAfter;
        int fileSizeAfter;
    };
    const Case cases[] = {
        {2048, true, true, false, 2048},   {2048, false, true, false, 2048},
        {8192, false, true, true, 8192},   {8192, true, true, true, 8192},
        {9000, false, true, true, 8192},   {5000, false, false, false, 5000},
        {5000, true, false, true, 5000},   {2047, false, false, false, 2047},
        {2049, true, false, true, 2049},   {8191, false, false, false, 8191},
        {100, true, false, true, 100},     {0, false, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fileSize << " bytes, extended before: " << c.startExtended);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("radio.mem"));
        const QByteArray file = FileImage(c.fileSize);
        ASSERT_TRUE(WriteFile(path, file));

        PmrImage image;
        SetLayout(image, c.startExtended);
        image.SetCurrentFile(QStringLiteral("/old/name.mem"));
        ScriptedFrontEnd fe;
        EXPECT_EQ(image.Load(path, fe), c.loaded);
        EXPECT_EQ(image.V3Features(), c.extendedAfter);
        EXPECT_EQ(image.FileSize(), c.fileSizeAfter);
        EXPECT_EQ(image.CurrentFile(), c.loaded ? path : QStringLiteral("/old/name.mem"));
        EXPECT_EQ(fe.status, (QStringList{QString(), c.loaded ? QStringLiteral("File loaded: ") + path
                                                              : QStringLiteral("No file loaded.")}));
        EXPECT_EQ(fe.labelClears, QList<qsizetype>{1}); // after emptying the status panel
        if (c.loaded)
            EXPECT_EQ(fe.layouts, QList<bool>{c.extendedAfter});
        else
            EXPECT_TRUE(fe.layouts.isEmpty());
        EXPECT_TRUE(fe.asked.isEmpty());
        EXPECT_EQ(fe.writeErrors, 0);

        if (c.fileSize == 2048) {
            EXPECT_EQ(Bytes(image), NormalisedShortImage());
        } else {
            // The file's bytes (at most 8192, unchanged), then 0xFF.
            const int n = std::min(c.fileSize, 8192);
            EXPECT_EQ(Bytes(image), file.left(n) + QByteArray(8192 - n, '\xFF'));
        }
    }
}

TEST(PmrImage, ShortLoadTreatsBytes1240To1244AsTheNameOfChannel100)
{
    // The same bytes hold CB bit maps; after a zero byte they are cleared.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cb.mem"));
    QByteArray file(2048, '\x00');
    file.replace(1235, 12, QByteArray("\x01\x00\x07\x08\x09"
                                      "\x81\x00\x33\x44\x55"
                                      "\x66\x77",
                                      12));
    ASSERT_TRUE(WriteFile(path, file));
    PmrImage image;
    ScriptedFrontEnd fe;
    ASSERT_TRUE(image.Load(path, fe));
    EXPECT_EQ(Bytes(image).mid(1235, 12), QByteArray("\x01\x00\x00\x00\x00"
                                                      "\x81\x00\x00\x00\x00"
                                                      "\x66\x77",
                                                      12));
}

TEST(PmrImage, LoadOfAFileThatCannotBeOpenedChangesNothing)
{
    QTemporaryDir dir;
    for (const QString& name : {dir.filePath(QStringLiteral("missing.mem")), dir.path(), QString()}) {
        SCOPED_TRACE(name.toStdString());
        PmrImage image;
        Fill(image, Pattern(8192, 4));
        SetLayout(image, true);
        image.SetCurrentFile(QStringLiteral("keep.mem"));
        ScriptedFrontEnd fe;
        EXPECT_FALSE(image.Load(name, fe));
        EXPECT_EQ(Bytes(image), Pattern(8192, 4));
        EXPECT_TRUE(image.V3Features());
        EXPECT_EQ(image.FileSize(), 0);
        EXPECT_EQ(image.CurrentFile(), QStringLiteral("keep.mem"));
        EXPECT_EQ(fe.status, (QStringList{QString(), QStringLiteral("No file loaded.")}));
        EXPECT_EQ(fe.labelClears.size(), 1);
    }
}

TEST(PmrImage, SaveWritesTheLayoutsSize)
{
    struct Case {
        bool extended;
        int size;
    };
    for (const Case c : {Case{false, 2048}, Case{true, 8192}}) {
        SCOPED_TRACE(c.size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.mem"));
        ASSERT_TRUE(WriteFile(path, Pattern(9000, 2))); // truncated by the save
        PmrImage image;
        Fill(image, Pattern(8192, 8)); // not 0xFF above 2047
        SetLayout(image, c.extended);
        ScriptedFrontEnd fe;
        EXPECT_TRUE(image.Save(path, fe));
        EXPECT_EQ(ReadFile(path), Pattern(8192, 8).left(c.size));
        EXPECT_EQ(image.FileSize(), c.size);
        EXPECT_EQ(image.CurrentFile(), path);
        EXPECT_EQ(fe.status, QStringList{QStringLiteral("File loaded: ") + path});
        EXPECT_EQ(fe.writeErrors, 0);
        EXPECT_EQ(Bytes(image), Pattern(8192, 8)); // saving changes no byte
        EXPECT_EQ(image.V3Features(), c.extended);
    }
}

TEST(PmrImage, ExtendedSaveAndLoadGiveBackTheSameImage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.mem"));
    PmrImage out;
    Fill(out, FileImage(8192));
    SetLayout(out, true);
    ScriptedFrontEnd fe;
    ASSERT_TRUE(out.Save(path, fe));
    PmrImage in;
    ASSERT_TRUE(in.Load(path, fe));
    EXPECT_EQ(Bytes(in), Bytes(out));
    EXPECT_TRUE(in.V3Features());
}

TEST(PmrImage, SaveThatCannotCreateItsFileSaysSo)
{
    QTemporaryDir dir;
    const QString names[] = {
        dir.filePath(QStringLiteral("no/such/folder.mem")),
        dir.path(), // a folder
        QString(),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        PmrImage image;
        SetLayout(image, true);
        image.SetCurrentFile(QStringLiteral("keep.mem"));
        ScriptedFrontEnd fe;
        EXPECT_FALSE(image.Save(name, fe));
        EXPECT_EQ(fe.writeErrors, 1);
        EXPECT_TRUE(fe.status.isEmpty());
        EXPECT_EQ(image.FileSize(), 0);
        EXPECT_EQ(image.CurrentFile(), QStringLiteral("keep.mem"));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
}

TEST(PmrImage, SaveThatFailsWhileWritingShowsTheErrorAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.mem"));
    const QByteArray old = Pattern(2048, 5);
    ASSERT_TRUE(WriteFile(path, old));
    PmrImage image;
    SetLayout(image, true);
    image.SetCurrentFile(QStringLiteral("keep.mem"));
    ScriptedFrontEnd fe;

    // Limit the file size below one image, so the write fails part-way as on
    // a full disk. Root is bound by this limit too.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = image.Save(path, fe);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(ok);
    EXPECT_EQ(fe.writeErrors, 1);
    EXPECT_TRUE(fe.status.isEmpty());
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("full.mem")});
    EXPECT_EQ(image.CurrentFile(), QStringLiteral("keep.mem"));
    // A save that failed leaves the size of the last file that worked.
    EXPECT_EQ(image.FileSize(), 0);
}

TEST(PmrImage, SwitchLayout)
{
    struct Case {
        bool startExtended;
        bool answer;
        const char* asked;
        bool extendedAfter;
        bool extensionErased;
    };
    const Case cases[] = {
        {true, true, "disable", false, true},
        {true, false, "disable", true, false},
        {false, true, "enable", true, false},
        {false, false, "enable", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked << " answered " << (c.answer ? "OK" : "Cancel"));
        PmrImage image;
        Fill(image, Pattern(8192, 6));
        SetLayout(image, c.startExtended);
        ScriptedFrontEnd fe;
        fe.answers.push_back(c.answer);
        EXPECT_EQ(image.SwitchLayout(fe), c.answer);
        EXPECT_EQ(fe.asked, QStringList{QString::fromLatin1(c.asked)});
        EXPECT_EQ(image.V3Features(), c.extendedAfter);
        EXPECT_EQ(fe.layouts, QList<bool>{c.extendedAfter});
        const QByteArray expected = c.extensionErased
                                        ? Pattern(8192, 6).left(2048) + QByteArray(8192 - 2048, '\xFF')
                                        : Pattern(8192, 6);
        EXPECT_EQ(Bytes(image), expected);
        EXPECT_TRUE(fe.status.isEmpty());
    }
}

TEST(PmrImage, NormaliseOnlyInTheShortLayout)
{
    PmrImage image;
    Fill(image, FileImage(8192));
    SetLayout(image, true);
    image.NormaliseShortImage();
    EXPECT_EQ(Bytes(image), FileImage(8192));

    SetLayout(image, false);
    image.NormaliseShortImage();
    EXPECT_EQ(Bytes(image).left(2048), NormalisedShortImage().left(2048));
    EXPECT_EQ(Bytes(image).mid(2048), FileImage(8192).mid(2048)); // the extension is not touched
}

TEST(PmrImage, SetV3FeaturesShowsTheFlag)
{
    PmrImage image;
    ScriptedFrontEnd fe;
    image.SetV3Features(true, fe);
    EXPECT_TRUE(image.V3Features());
    EXPECT_EQ(image.LayoutSize(), 8192);
    image.SetV3Features(false, fe);
    EXPECT_EQ(image.LayoutSize(), 2048);
    EXPECT_EQ(fe.layouts, (QList<bool>{true, false}));
    EXPECT_EQ(Bytes(image), QByteArray(8192, '\0')); // no byte changes
}

// ---- The message boxes of the main window --------------------------------------

TEST(PmrImageDialogs, QuestionsAndNotices)
{
    const QString disable = QStringLiteral(
        "Disabling radio v3 firmware v3 features will result in less channels, selcall memories, less alphas.\n"
        "Do you wish to continue?");
    const QString enable = QStringLiteral(
        "Enabling features from radio v3 firmware only be available on QL4120/QL4320 radios.\n"
        "Do you wish to continue?");
    struct Case {
        const char* what;
        Dialogs::Answer answer;
        bool result;
        QString text;
        QString caption;
        Dialogs::Icon icon;
    };
    const Case cases[] = {
        {"disable", Dialogs::Answer::Ok, true, disable, QStringLiteral("Disable firmware v3 features"),
         Dialogs::Icon::Warning},
        {"disable", Dialogs::Answer::Cancel, false, disable, QStringLiteral("Disable firmware v3 features"),
         Dialogs::Icon::Warning},
        {"enable", Dialogs::Answer::Ok, true, enable, QStringLiteral("Enable firmware v3 features"),
         Dialogs::Icon::Warning},
        {"enable", Dialogs::Answer::Cancel, false, enable, QStringLiteral("Enable firmware v3 features"),
         Dialogs::Icon::Warning},
        {"write", Dialogs::Answer::Cancel, false, QStringLiteral("There is a problem writing the file"),
         QStringLiteral("File Error"), Dialogs::Icon::None},
        {"read", Dialogs::Answer::Ok, false, QStringLiteral("There is a problem reading the file"),
         QStringLiteral("File Error"), Dialogs::Icon::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDialogs dialogs;
        dialogs.AnswerNext(c.answer);
        PmrImageDialogs fe(dialogs, nullptr);
        const QString what = QString::fromLatin1(c.what);
        if (what == QLatin1String("disable"))
            EXPECT_EQ(fe.AskDisableV3Features(), c.result);
        else if (what == QLatin1String("enable"))
            EXPECT_EQ(fe.AskEnableV3Features(), c.result);
        else if (what == QLatin1String("write"))
            fe.ShowWriteError();
        else
            fe.ShowReadError();
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, c.text);
        EXPECT_EQ(dialogs.messages[0].caption, c.caption);
        EXPECT_EQ(dialogs.messages[0].buttons, Dialogs::Buttons::OkCancel);
        EXPECT_EQ(dialogs.messages[0].icon, c.icon);
    }
}

TEST(PmrImageDialogs, DisablingThroughMessageBoxes)
{
    ScriptedDialogs dialogs;
    PmrImageDialogs fe(dialogs, nullptr);
    PmrImage image;
    Fill(image, Pattern(8192, 1));
    image.SetV3Features(true, fe);

    dialogs.AnswerNext(Dialogs::Answer::Cancel);
    EXPECT_FALSE(image.SwitchLayout(fe));
    EXPECT_TRUE(image.V3Features());
    EXPECT_EQ(Bytes(image), Pattern(8192, 1));

    dialogs.AnswerNext(Dialogs::Answer::Ok);
    EXPECT_TRUE(image.SwitchLayout(fe));
    EXPECT_FALSE(image.V3Features());
    EXPECT_EQ(Bytes(image), Pattern(8192, 1).left(2048) + QByteArray(6144, '\xFF'));

    ASSERT_EQ(dialogs.messages.size(), 2);
    for (const auto& m : dialogs.messages)
        EXPECT_EQ(m.caption, QStringLiteral("Disable firmware v3 features"));
}
