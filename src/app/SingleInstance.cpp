#include "SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace zl {

namespace {

constexpr char kActivate[] = "activate\n";

QString BasePath(const QString& name) {
    return QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') +
           QString::number(::getuid());
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent),
      lockPath_(BasePath(name) + QStringLiteral(".lock")),
      socketPath_(BasePath(name) + QStringLiteral(".socket")),
      lock_(lockPath_) {
    // A lock whose process is gone is stale at once; a live holder is never stale.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (lock_.isLocked()) lock_.unlock();
}

bool SingleInstance::Acquire() {
    if (!lock_.tryLock(0)) return false;
    // A socket file left by a copy that died would make listen() fail.
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    // Without the socket the window cannot be raised from outside, but this copy still runs.
    server_->listen(socketPath_);
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (request.startsWith(QByteArrayLiteral("activate"))) emit activationRequested();
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::ActivateRunning(int timeoutMs) {
    // The first copy may still be starting: it holds the lock before it listens.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(kActivate);
            const bool sent = socket.waitForBytesWritten(
                static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
            socket.waitForDisconnected(
                static_cast<int>(qMin<qint64>(500, qMax<qint64>(1, deadline.remainingTime()))));
            return sent;
        }
        QThread::msleep(50);
    }
    return false;
}

}  // namespace zl
