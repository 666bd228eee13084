#include "ScriptedDialogs.h"

Dialogs::Answer ScriptedDialogs::Message(QWidget*, const QString& text, const QString& caption,
                                         Buttons buttons, Icon icon)
{
    messages.append(Shown{text, caption, buttons, icon});
    if (!answers_.empty()) {
        const Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

QString ScriptedDialogs::OpenFile(QWidget*, const FileRequest& request)
{
    fileDialogs.append(FileShown{false, request});
    if (files_.empty())
        return QString();
    const QString f = files_.front();
    files_.pop_front();
    return f;
}

QString ScriptedDialogs::SaveFile(QWidget*, const FileRequest& request)
{
    fileDialogs.append(FileShown{true, request});
    if (files_.empty())
        return QString();
    const QString f = files_.front();
    files_.pop_front();
    return f;
}
