#pragma once

class Dialogs;

// Entry of ql4100 once the QApplication exists. A second copy (of ql4100 or
// of ql4100p, which share the "QL41Mutex") shows "The program is already
// running", asks a running ql4100 to come forward and returns 0 without
// creating any window. Otherwise the windows are created and, when
// runEventLoop is set, the event loop runs until the main window closes.
int RunQl4100(Dialogs& dialogs, bool runEventLoop = true);
