#pragma once

#include <QtGlobal>

class TRadio;
class Win32Port;
class TfrmPktMonitor;
class TfrmCommsMonitor;
class WindowMessageEvent;

// The main windows' handlers of the monitor messages, shared by both
// programs. Each drains its log whether or not monitoring is on, so frames
// that went by unmonitored never show up later.

// 2028 (frame sent; length): takes that many bytes from the sent log and
// shows them as sent.
void FeedSentFrame(TRadio& radio, TfrmPktMonitor& monitor, qintptr length);

// 2027 (frame received; length, refused): takes the frame from the received
// log and shows it in wire order as received. A refused reply (second
// parameter 1) is framed by marker lines, which show even while monitoring
// is off.
void FeedReceivedFrame(TRadio& radio, TfrmPktMonitor& monitor, const WindowMessageEvent& message);

// 2030 (bytes received): drains up to 1024 bytes from the port's monitor
// ring into the comms monitor.
void FeedCommsMonitor(Win32Port& port, TfrmCommsMonitor& monitor);
