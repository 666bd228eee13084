#include "MainFixture.h"

#include "ui_Main.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

using Answer = Dialogs::Answer;
using Buttons = Dialogs::Buttons;
using Icon = Dialogs::Icon;

class MainFileCommands : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
        Start();
        dialogs_.messages.clear();
    }
};

TEST_F(MainFileCommands, ReadFromFileLoadsARepeaterImage)
{
    const QString path = WriteFile(QStringLiteral("rep.mem"), MakeImage(0, 0x28, 0x40));
    dialogs_.ChooseFile(path);
    window_->btnFileOpenClick();

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("All current data will be lost"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Read from file?"));
    EXPECT_EQ(dialogs_.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Question);
    ASSERT_EQ(dialogs_.fileDialogs.size(), 1);
    const Dialogs::FileRequest& r = dialogs_.fileDialogs[0].request;
    EXPECT_FALSE(dialogs_.fileDialogs[0].save);
    EXPECT_EQ(r.title, QStringLiteral("Open Programming File..."));
    EXPECT_EQ(r.filter, QStringLiteral("Programming Files (*.mem)|*.mem|All Files (*.*)|*.*"));
    EXPECT_EQ(r.defaultExtension, QStringLiteral("*.mem"));
    EXPECT_TRUE(r.mustExist);

    EXPECT_EQ(ImageBytes(), MakeImage(0, 0x28, 0x40));
    EXPECT_EQ(window_->StatusText(0), QStringLiteral("File loaded: ") + path);
    EXPECT_TRUE(window_->ImageCommandsEnabled());
    EXPECT_EQ(window_->EnabledEditorPair(), Tfrm4100::EditorPair::Repeater);
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("Repeater Input"));
    EXPECT_EQ(window_->Form().lblRadioChassisType->text(), QStringLiteral("QL4120V"));
    EXPECT_TRUE(window_->VhfFlag());

    // The next open starts at the file chosen last.
    dialogs_.AnswerNext(Answer::Ok);
    window_->btnFileOpenClick();
    ASSERT_EQ(dialogs_.fileDialogs.size(), 2);
    EXPECT_EQ(dialogs_.fileDialogs[1].request.initialPath, path);
}

TEST_F(MainFileCommands, ReadFromFileCancelledAtTheQuestionChangesNothing)
{
    dialogs_.AnswerNext(Answer::Cancel);
    window_->btnFileOpenClick();
    EXPECT_TRUE(dialogs_.fileDialogs.isEmpty());
    EXPECT_EQ(dialogs_.messages.size(), 1);
    EXPECT_TRUE(window_->ImageCommandsEnabled());
    EXPECT_EQ(ImageBytes(), MakeImage(0));
}

TEST_F(MainFileCommands, CancelledOpenDialogDisablesTheImageCommands)
{
    window_->btnFileOpenClick(); // no file scripted: the dialog is cancelled
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("There is a problem reading the file"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("File Error"));
    EXPECT_EQ(dialogs_.messages[1].buttons, Buttons::OkCancel);
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::None);
    EXPECT_FALSE(window_->ImageCommandsEnabled());
    EXPECT_EQ(ImageBytes(), MakeImage(0)); // the image itself is unchanged
}

TEST_F(MainFileCommands, FileOfAnUnknownRadioTypeIsRefused)
{
    struct Case {
        int type;
        const char* label;
    };
    for (const Case c : {Case{0x30, "Unknown"}, Case{2, "PMR"}, Case{12, "Unknown"}}) {
        SCOPED_TRACE(c.type);
        dialogs_.messages.clear();
        dialogs_.ChooseFile(WriteFile(QStringLiteral("odd.mem"), MakeImage(c.type)));
        window_->btnFileOpenClick();
        ASSERT_EQ(dialogs_.messages.size(), 2);
        EXPECT_EQ(dialogs_.messages[1].text,
                  QStringLiteral("Unknown radio type in mem-file.\n\nPlease ensure correct mem-file is being used "
                                 "for the radio type."));
        EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Read file"));
        EXPECT_EQ(dialogs_.messages[1].icon, Icon::Warning);
        EXPECT_FALSE(window_->ImageCommandsEnabled());
        EXPECT_EQ(window_->EnabledEditorPair(), Tfrm4100::EditorPair::None);
        EXPECT_EQ(window_->Form().lblRadioType->text(), QString::fromLatin1(c.label));
        EXPECT_EQ(ImageBytes(), MakeImage(c.type)); // loaded all the same
    }
}

TEST_F(MainFileCommands, WriteToFileSavesTheImage)
{
    window_->Image().SetByte(300, 0x99);
    const QString path = work_.filePath(QStringLiteral("out.mem"));
    dialogs_.ChooseFile(path);
    window_->btnFileSaveClick();

    EXPECT_TRUE(dialogs_.messages.isEmpty()); // no question before the dialog
    ASSERT_EQ(dialogs_.fileDialogs.size(), 1);
    const Dialogs::FileRequest& r = dialogs_.fileDialogs[0].request;
    EXPECT_TRUE(dialogs_.fileDialogs[0].save);
    EXPECT_EQ(r.title, QStringLiteral("Save Programming File..."));
    EXPECT_EQ(r.filter, QStringLiteral("Programming Files (*.mem)|*.mem|All Files (*.*)|*.* "));
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_EQ(ReadFile(path), ImageBytes());
    EXPECT_EQ(static_cast<uint8_t>(ReadFile(path)[300]), 0x99);
    EXPECT_EQ(window_->StatusText(0), QStringLiteral("File loaded: ") + path);
}

TEST_F(MainFileCommands, FailedSaveKeepsTheOldFileAndSaysSo)
{
    const QString path = WriteFile(QString(250, QLatin1Char('b')) + QStringLiteral(".mem"), QByteArray(2048, 'x'));
    dialogs_.ChooseFile(path);
    window_->btnFileSaveClick();
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("There is a problem writing the file"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("File Error"));
    EXPECT_EQ(ReadFile(path), QByteArray(2048, 'x'));
    EXPECT_EQ(window_->StatusText(0), QStringLiteral("File loaded: def41t.mem"));
}

TEST_F(MainFileCommands, CancelledSaveDialogWritesNothing)
{
    window_->btnFileSaveClick();
    EXPECT_TRUE(dialogs_.messages.isEmpty());
    EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), QStringList{QStringLiteral("def41t.mem")});
}

TEST_F(MainFileCommands, SetDefaultFileStoresTheNameAtOnceAndLoadsOnOk)
{
    const QString path = WriteFile(QStringLiteral("data.mem"), MakeImage(1));
    dialogs_.ChooseFile(path);
    window_->mnuDefaultFileClick();

    ASSERT_EQ(dialogs_.fileDialogs.size(), 1);
    EXPECT_EQ(dialogs_.fileDialogs[0].request.title, QStringLiteral("Set Default Filename."));
    EXPECT_EQ(dialogs_.fileDialogs[0].request.initialPath, QStringLiteral("def41t.mem"));
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("Load file ") + path + QStringLiteral("?\nAll current data will  be lost."));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Load Default File"));
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Question);
    EXPECT_EQ(window_->DefaultFile(), path);
    EXPECT_EQ(GetSetting(QStringLiteral("DefaultFile")).toString(), path);
    EXPECT_EQ(ImageBytes(), MakeImage(1));
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("Data"));
    EXPECT_EQ(window_->StatusText(0), QStringLiteral("File loaded: ") + path);

    // Read from File starts where Set Default File left the dialog.
    dialogs_.messages.clear();
    window_->btnFileOpenClick();
    EXPECT_EQ(dialogs_.fileDialogs[1].request.title, QStringLiteral("Open Programming File..."));
    EXPECT_EQ(dialogs_.fileDialogs[1].request.initialPath, path);
}

TEST_F(MainFileCommands, SetDefaultFileCancelledAtTheQuestionKeepsTheNewName)
{
    const QString path = WriteFile(QStringLiteral("data.mem"), MakeImage(1));
    dialogs_.ChooseFile(path);
    dialogs_.AnswerNext(Answer::Cancel);
    window_->mnuDefaultFileClick();
    EXPECT_EQ(window_->DefaultFile(), path);
    EXPECT_EQ(GetSetting(QStringLiteral("DefaultFile")).toString(), path);
    EXPECT_EQ(ImageBytes(), MakeImage(0));
    window_->close();
    EXPECT_EQ(GetSetting(QStringLiteral("DefaultFile")).toString(), path);
}

TEST_F(MainFileCommands, SetDefaultFileThatCannotBeLoaded)
{
    const QString path = work_.filePath(QStringLiteral("gone.mem"));
    dialogs_.ChooseFile(path);
    window_->mnuDefaultFileClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Default file ") + path + QStringLiteral(" does not exist.\nNo file loaded."));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Error"));
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::Warning);
    EXPECT_FALSE(window_->ImageCommandsEnabled());
}

TEST_F(MainFileCommands, SetDefaultFileOfAnUnknownType)
{
    const QString path = WriteFile(QStringLiteral("pmr.mem"), MakeImage(2));
    dialogs_.ChooseFile(path);
    window_->mnuDefaultFileClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Read file"));
    EXPECT_TRUE(dialogs_.messages[1].text.startsWith(QStringLiteral("Unknown radio type in default mem-file.")));
    EXPECT_FALSE(window_->ImageCommandsEnabled());
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("PMR"));
}

TEST_F(MainFileCommands, AdvancedTogglesItsCheckMark)
{
    EXPECT_FALSE(window_->Form().mnuAdvanced->isChecked());
    window_->mnuAdvancedClick();
    EXPECT_TRUE(window_->Form().mnuAdvanced->isChecked());
    window_->Form().mnuAdvanced->trigger();
    EXPECT_FALSE(window_->Form().mnuAdvanced->isChecked());
}

TEST_F(MainFileCommands, HelpLinesFollowTheMouseAndTheFocus)
{
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(window_->Form().btnWriteRadio, &enter);
    EXPECT_EQ(window_->HelpLine(), QStringLiteral("Writes the configuration data in the edit windows to the radio."));
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(window_->Form().btnRepeaterEdit, &focus);
    EXPECT_EQ(window_->HelpLine(), QStringLiteral("Allows you to adjust the Repeater operating parameters"));
    // A control without a line leaves the panel empty.
    QCoreApplication::sendEvent(window_->Form().lblRadioType, &enter);
    EXPECT_EQ(window_->HelpLine(), QString());
}
