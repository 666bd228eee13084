#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {
QString RuntimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

constexpr int kMaxTitle = 256;
} // namespace

SingleInstance::SingleInstance(const QString& name) : name_(name) {}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
    if (lock_)
        lock_->unlock();
}

QString SingleInstance::LockPath(const QString& name)
{
    return RuntimeFolder() + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath(const QString& name)
{
    return RuntimeFolder() + QLatin1Char('/') + name + QStringLiteral(".sock");
}

bool SingleInstance::TryAcquire()
{
    if (lock_ && lock_->isLocked())
        return true;
    lock_ = std::make_unique<QLockFile>(LockPath(name_));
    // A lock left by a copy that died is stale at once: the holder's PID is
    // checked, so no time limit is needed.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

bool SingleInstance::Listen(const QString& appTitle, std::function<void()> bringForward)
{
    appTitle_ = appTitle;
    bringForward_ = std::move(bringForward);
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    }
    const QString path = SocketPath(name_);
    // We hold the mutex, so a socket file still there belongs to a copy
    // that has gone.
    QLocalServer::removeServer(path);
    return server_->listen(path);
}

void SingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket]() {
            if (!socket->canReadLine() && socket->state() == QLocalSocket::ConnectedState &&
                socket->bytesAvailable() < kMaxTitle)
                return;
            const QString title =
                QString::fromUtf8(socket->readLine(kMaxTitle).trimmed());
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            if (title == appTitle_ && bringForward_)
                bringForward_();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        connect(socket, &QLocalSocket::readChannelFinished, this, handle);
        if (socket->bytesAvailable() > 0)
            handle();
    }
}

bool SingleInstance::RequestBringForward(const QString& title, const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath(name));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(title.toUtf8().left(kMaxTitle - 1) + '\n');
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return sent;
}
