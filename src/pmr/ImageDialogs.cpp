#include "ImageDialogs.h"

bool PmrImageDialogs::AskDisableV3Features()
{
    return dialogs_.Message(parent_, QString::fromUtf8(PmrImageText::kDisableV3),
                            QString::fromUtf8(PmrImageText::kDisableV3Caption), Dialogs::Buttons::OkCancel,
                            Dialogs::Icon::Warning) == Dialogs::Answer::Ok;
}

bool PmrImageDialogs::AskEnableV3Features()
{
    return dialogs_.Message(parent_, QString::fromUtf8(PmrImageText::kEnableV3),
                            QString::fromUtf8(PmrImageText::kEnableV3Caption), Dialogs::Buttons::OkCancel,
                            Dialogs::Icon::Warning) == Dialogs::Answer::Ok;
}

// Both file errors offer OK and Cancel; the answer changes nothing.
void PmrImageDialogs::ShowWriteError()
{
    dialogs_.Message(parent_, QString::fromUtf8(PmrImageText::kWriteError),
                     QString::fromUtf8(PmrImageText::kFileErrorCaption), Dialogs::Buttons::OkCancel,
                     Dialogs::Icon::None);
}

void PmrImageDialogs::ShowReadError()
{
    dialogs_.Message(parent_, QString::fromUtf8(PmrImageText::kReadError),
                     QString::fromUtf8(PmrImageText::kFileErrorCaption), Dialogs::Buttons::OkCancel,
                     Dialogs::Icon::None);
}
