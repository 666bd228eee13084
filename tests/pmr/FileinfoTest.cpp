#include "pmr/Eeprom.h"
#include "pmr/Fileinfo.h"
#include "ui_Fileinfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class NoQuestions : public PmrImageFrontEnd {
public:
    bool AskDisableV3Features() override { return false; }
    bool AskEnableV3Features() override { return false; }
    void ShowWriteError() override {}
};

QString WriteImageFile(const QTemporaryDir& dir, const QString& name, int size, int hardware, int radioType, int mode)
{
    QByteArray b(size, '\xFF');
    b[40] = static_cast<char>(hardware);
    b[50] = static_cast<char>(radioType);
    b[78] = static_cast<char>(mode);
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
    return path;
}

struct Shown {
    QString filename;
    QString personality;
    QString radioType;
    QString size;
};

Shown Show(TfrmFileInfo& window)
{
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    Ui::TfrmFileInfo& f = window.Form();
    Shown s{f.mmoFilename->toPlainText(), f.lblRadioPersonality->text(), f.lblRadioType->text(),
            f.lblFilesize->text()};
    window.Form().btnClose->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    return s;
}

} // namespace

TEST(FileInfo, FixedTexts)
{
    PmrImage image;
    TfrmFileInfo window(image);
    Ui::TfrmFileInfo& f = window.Form();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("File Information"));
    EXPECT_EQ(f.lblFilenameLabel->text(), QStringLiteral("Filename:"));
    EXPECT_EQ(f.lblRadioPersonalityLabel->text(), QStringLiteral("Radio Personality:"));
    EXPECT_EQ(f.lblRadioTypeLabel->text(), QStringLiteral("Radio Type:"));
    EXPECT_EQ(f.lblFilesizeLabel->text(), QStringLiteral("File size:"));
    EXPECT_EQ(f.btnClose->text(), QStringLiteral("Close"));
    EXPECT_TRUE(f.mmoFilename->isReadOnly());
}

TEST(FileInfo, ShortAndExtendedFiles)
{
    struct Case {
        int size;
        int hardware;
        QString personality;
    };
    const Case cases[] = {
        {2048, 0x0C, QStringLiteral("QL4120U (403-477MHz) (new hd)")},
        {8192, 0x01, QStringLiteral("QL4320U (450-520MHz) (new hd)")},
        {8192, 0xF0, QStringLiteral("QL4100 (450-520MHz) (old hd)")},
        {2048, 0x40 | 0x0C | 0x80, QStringLiteral("QL4120V (60-80MHz) (old hd)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.personality.toStdString());
        QTemporaryDir dir;
        const QString path = WriteImageFile(dir, QStringLiteral("radio.mem"), c.size, c.hardware, 2, 0);
        PmrImage image;
        NoQuestions fe;
        ASSERT_TRUE(image.Load(path, fe));
        const QByteArray before(reinterpret_cast<const char*>(image.Data()), 8192);
        TfrmFileInfo window(image);
        const Shown s = Show(window);
        EXPECT_EQ(s.filename, path);
        EXPECT_EQ(s.personality, c.personality);
        EXPECT_EQ(s.radioType, QStringLiteral("PMR"));
        EXPECT_EQ(s.size, QString::number(c.size) + QStringLiteral(" bytes"));
        // Reads only.
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.Data()), 8192), before);
    }
}

TEST(FileInfo, RadioTypeLabels)
{
    struct Case {
        int radioType;
        int mode;
        QString label;
    };
    const Case cases[] = {
        {0, 0x00, QStringLiteral("Telemetry")},
        {0, 0x20, QStringLiteral("Telemetry")},
        {0, 0x28, QStringLiteral("Repeater Input")},
        {0, 0x08, QStringLiteral("Repeater Output")},
        {1, 0x28, QStringLiteral("Data")},
        {2, 0xFF, QStringLiteral("PMR")},
        {12, 0x00, QStringLiteral("Stunned radio")},
        {3, 0x00, QStringLiteral("Unknown radio type")},
        {0xFF, 0xFF, QStringLiteral("Unknown radio type")},
    };
    PmrImage image;
    TfrmFileInfo window(image);
    for (const Case& c : cases) {
        image.Buffer().SetByte(50, c.radioType);
        image.Buffer().SetByte(78, c.mode);
        EXPECT_EQ(Show(window).radioType, c.label) << c.radioType << "/" << c.mode;
    }
}

TEST(FileInfo, EveryShowTakesTheImageAsItIsThen)
{
    QTemporaryDir dir;
    const QString first = WriteImageFile(dir, QStringLiteral("first.mem"), 8192, 0x0C, 2, 0);
    const QString failed = WriteImageFile(dir, QStringLiteral("odd.mem"), 5000, 0x01, 12, 0);
    PmrImage image;
    NoQuestions fe;
    TfrmFileInfo window(image);

    // Before any file: no name, the all-zero image.
    Shown s = Show(window);
    EXPECT_EQ(s.filename, QString());
    EXPECT_EQ(s.personality, QStringLiteral("QL4120U (450-520MHz) (new hd)"));
    EXPECT_EQ(s.radioType, QStringLiteral("Telemetry"));
    EXPECT_EQ(s.size, QStringLiteral("0 bytes"));

    ASSERT_TRUE(image.Load(first, fe));
    s = Show(window);
    EXPECT_EQ(s.filename, first);
    EXPECT_EQ(s.size, QStringLiteral("8192 bytes"));

    // A failed load keeps the name but shows what it read.
    ASSERT_FALSE(image.Load(failed, fe));
    s = Show(window);
    EXPECT_EQ(s.filename, first);
    EXPECT_EQ(s.personality, QStringLiteral("QL4320U (450-520MHz) (new hd)"));
    EXPECT_EQ(s.radioType, QStringLiteral("Stunned radio"));
    EXPECT_EQ(s.size, QStringLiteral("5000 bytes"));
}

TEST(FileInfo, FactoryFile)
{
    const QString path = QStringLiteral(QL41_SOURCE_DIR "/data/def41p.mem");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray file = f.readAll();
    PmrImage image;
    NoQuestions fe;
    ASSERT_TRUE(image.Load(path, fe));
    EXPECT_FALSE(image.V3Features());
    // Already in the form the short-layout load leaves it.
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.Data()), 2048), file);
    EXPECT_EQ(image.Buffer().GetByte(20), 100);
    TfrmFileInfo window(image);
    const Shown s = Show(window);
    EXPECT_EQ(s.personality, QStringLiteral("QL4120U (403-477MHz) (new hd)"));
    EXPECT_EQ(s.radioType, QStringLiteral("PMR"));
    EXPECT_EQ(s.size, QStringLiteral("2048 bytes"));
}
