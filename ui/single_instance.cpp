#include "single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "window_rules.h"

namespace tolvarin {
namespace {

constexpr qint64 kMaxMessage = 65536;  // a path, in UTF-8, and its line end

QString userName() { return qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", QStringLiteral("user"))); }
QString serverName() { return QStringLiteral("tolvarin-") + userName(); }

}  // namespace

SingleInstance::SingleInstance() {
    lock_ = std::make_unique<QLockFile>(QDir::tempPath() + QStringLiteral("/tolvarin-") + userName() +
                                        QStringLiteral(".lock"));
    // Never stale by age: a running copy keeps its lock however long it runs. A lock
    // whose process has died is still recognised as stale and taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    // tryLock takes over a lock whose process is no longer running.
    if (!lock_->tryLock(0)) return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(serverName());  // a crashed copy's socket
    server_->listen(serverName());
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::readStart);
    return true;
}

void SingleInstance::readStart() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < kMaxMessage) return;
            const QByteArray line = socket->readLine(kMaxMessage).trimmed();
            socket->disconnectFromServer();
            QString file = QString::fromUtf8(line);
            // Whatever arrives is checked again: another process may have sent it.
            if (!file.isEmpty() && !acceptHandedFile(std::filesystem::path(file.toStdU16String()))) file.clear();
            emit startedAgain(file);
        });
    }
}

bool SingleInstance::handOver(const std::optional<std::filesystem::path>& file, int deadlineMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(deadlineMs)) return false;
    QByteArray message = file ? QString::fromStdU16String(file->u16string()).toUtf8() : QByteArray();
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(deadlineMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(deadlineMs);
    return true;
}

}  // namespace tolvarin
