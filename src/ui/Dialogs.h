#pragma once

#include <QString>

class QWidget;

// Every message box and file dialog of the programs goes through one Dialogs
// object owned by the program and handed to each window. The real one shows
// Qt's dialogs; tests install a scripted one that records each request and
// gives the scripted answer. Texts and captions are passed exactly as the
// user sees them.
class Dialogs {
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Question, Error };
    enum class Answer { Ok, Cancel, Yes, No };

    struct FileRequest {
        QString title;
        // Filter in the programs' own "Description|pattern|Description|pattern" form.
        QString filter;
        QString defaultExtension; // "*.mem"
        QString initialPath;      // file name the dialog starts at
        bool mustExist = false;   // open dialog: only an existing file can be chosen
        bool confirmOverwrite = false; // save dialog: ask before replacing a file
    };

    virtual ~Dialogs() = default;

    virtual Answer Message(QWidget* parent, const QString& text, const QString& caption,
                           Buttons buttons, Icon icon) = 0;
    // The chosen file, or an empty string when the user cancelled.
    virtual QString OpenFile(QWidget* parent, const FileRequest& request) = 0;
    virtual QString SaveFile(QWidget* parent, const FileRequest& request) = 0;
};

// Dialogs shown on screen with QMessageBox and QFileDialog.
class QtDialogs : public Dialogs {
public:
    Answer Message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override;
    QString OpenFile(QWidget* parent, const FileRequest& request) override;
    QString SaveFile(QWidget* parent, const FileRequest& request) override;

    // "Programming Files (*.mem)|*.mem|All Files (*.*)|*.*" in Qt's form:
    // "Programming Files (*.mem);;All Files (*.*)".
    static QString QtFilter(const QString& filter);
};
