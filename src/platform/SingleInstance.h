#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// The "QL41Mutex" that both programs share: only one of ql4100 and ql4100p
// runs at a time. The mutex is a lock file in the user's runtime folder,
// released by the kernel when the process ends however it ends. The running
// copy also listens on a local socket of the same name, through which a
// second start asks it to bring its window forward; it does so only when the
// title asked for is its own application title, so starting ql4100 while
// ql4100p runs raises nothing.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = QStringLiteral("QL41Mutex"));
    ~SingleInstance() override;

    // Takes the mutex; false when another copy holds it.
    bool TryAcquire();

    // Holder side: answers bring-forward requests for appTitle by calling
    // bringForward on the GUI thread.
    bool Listen(const QString& appTitle, std::function<void()> bringForward);

    // Second-copy side: asks the running copy to bring forward its window if
    // its application title is title. Returns once the request is delivered
    // (or could not be); nothing happens when no copy is listening.
    static bool RequestBringForward(const QString& title,
                                    const QString& name = QStringLiteral("QL41Mutex"));

    // Path of the lock file / local socket.
    static QString LockPath(const QString& name);
    static QString SocketPath(const QString& name);

private:
    void OnNewConnection();

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QString appTitle_;
    std::function<void()> bringForward_;
};
