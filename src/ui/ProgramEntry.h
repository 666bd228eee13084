#pragma once

#include <QString>
#include <functional>
#include <memory>

class Dialogs;
class QWidget;

// The entry both programs share. ql4100 and ql4100p hold the same
// "QL41Mutex", so only one of them runs at a time: a second start shows
// "The program is already running" (with the program's caption), renames
// itself so the search cannot find it, asks a running copy with the
// program's title to come forward, and ends with 0 without creating any
// window. Otherwise the application takes the title, the main window is
// created and shown and, when runEventLoop is set, the event loop runs until
// it closes.
struct ProgramTitles {
    QString title;            // the application title a running copy is found by
    QString messageCaption;   // caption of "The program is already running"
    QString renamedTitle;     // the title a second copy takes before it searches
};

int RunProgram(Dialogs& dialogs, const ProgramTitles& titles,
               const std::function<std::unique_ptr<QWidget>()>& createMainWindow, bool runEventLoop);
