#pragma once

#include <QStringList>

class Dialogs;

// Entry of ql4100p once the QApplication exists; arguments are the command
// line after the program name ("/pmon" shows the packet monitor command).
// A second copy (of either program) says so, asks a running ql4100p to
// come forward and returns 0 without creating any window.
int RunQl4100p(Dialogs& dialogs, const QStringList& arguments, bool runEventLoop = true);
