#pragma once

#include <QEvent>
#include <QtGlobal>

class QObject;

// The programs' window messages. Worker threads never touch widgets: they
// post one of these to the receiving window, which handles it in
// customEvent(). The event type number is the message number.
namespace WindowMessage {
constexpr int Ignored = 2024;          // defined by ql4100, ignored by its main window
constexpr int StatusReport = 2025;     // radio status report for the alignment window
constexpr int PacketReceived = 2027;   // frame length, 0
constexpr int PacketSent = 2028;       // frame length, 0
constexpr int TransferProgress = 2029; // 0 + next address, or 1 + outcome
constexpr int BytesReceived = 2030;    // byte count, 0
constexpr int EepromEditor = 2032;     // 0 + address, or 1 + outcome
} // namespace WindowMessage

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(int message, qintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam)
    {
        Published();
    }
    ~WindowMessageEvent() override { Received(); }
    int Message() const { return static_cast<int>(type()); }
    qintptr WParam() const
    {
        Received();
        return wParam_;
    }
    qintptr LParam() const
    {
        Received();
        return lParam_;
    }

private:
    // The event crosses from the posting thread to the receiver's through
    // Qt's event queue, whose locking the thread sanitizer cannot see (Qt is
    // not built with it); these mark the hand-over for it.
#if defined(__SANITIZE_THREAD__)
    void Published() { __tsan_release(this); }
    void Received() const { __tsan_acquire(const_cast<WindowMessageEvent*>(this)); }
#else
    void Published() {}
    void Received() const {}
#endif

    qintptr wParam_;
    qintptr lParam_;
};

// Posts (never sends) a window message; safe from any thread. A null
// receiver drops the message.
void PostWindowMessage(QObject* receiver, int message, qintptr wParam, qintptr lParam);

// In a thread-sanitizer build, marks every window message as received
// before any handler or event filter reads it (see WindowMessageEvent);
// does nothing in other builds. Call once after creating the application.
void WatchWindowMessageHandOver();
