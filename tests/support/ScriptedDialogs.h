#pragma once

#include "ui/Dialogs.h"

#include <QList>
#include <QString>
#include <deque>

// Dialogs for tests: records every request and answers from a script.
// A message box without a scripted answer gets its first button (OK or Yes);
// a file dialog without a scripted answer is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };
    struct FileShown {
        bool save;
        FileRequest request;
    };

    Answer Message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override;
    QString OpenFile(QWidget* parent, const FileRequest& request) override;
    QString SaveFile(QWidget* parent, const FileRequest& request) override;

    void AnswerNext(Answer answer) { answers_.push_back(answer); }
    void ChooseFile(const QString& path) { files_.push_back(path); }

    QList<Shown> messages;
    QList<FileShown> fileDialogs;

private:
    std::deque<Answer> answers_;
    std::deque<QString> files_;
};
