#include "single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

namespace k5::app {

namespace {
// One line each way: "open <path>\n" or "show\n", answered by "ok\n".
constexpr const char* kOpen = "open ";
constexpr const char* kShow = "show";
constexpr const char* kTaken = "ok\n";
constexpr int kLargestRequest = 64 * 1024;

QString RuntimeFolder(const QString& folder) {
    if (!folder.isEmpty()) return folder;
    // Per user: $XDG_RUNTIME_DIR, else a folder Qt makes for this user alone.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}
}  // namespace

SingleInstance::SingleInstance(const QString& folder)
    : socketPath_(QDir(RuntimeFolder(folder)).filePath("k5-iap-tool.socket")),
      lock_(QDir(RuntimeFolder(folder)).filePath("k5-iap-tool.lock")) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

bool SingleInstance::HandOver(const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    const QByteArray request = (file.isEmpty() ? QByteArray(kShow) : kOpen + file.toUtf8()) + '\n';
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    }
    return socket.readLine() == kTaken;
}

bool SingleInstance::Serve() {
    // A lock whose process has gone is taken over; a live one is another first start's.
    if (!lock_.tryLock(0)) return false;
    QLocalServer::removeServer(socketPath_);  // a crashed start's socket
    return server_.listen(socketPath_);
}

bool SingleInstance::HandOverOrServe(const QString& file) {
    // Within a few seconds: a start that hangs, or a folder without locks, must not keep this one waiting.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (HandOver(file, std::max<qint64>(1, deadline.remainingTime()))) return false;
        if (Serve()) return true;
        // No lock to be had here (an unwritable folder): this start goes on alone.
        if (lock_.error() != QLockFile::LockFailedError) return true;
        QThread::msleep(100);  // another first start is setting up its socket
    }
    return true;
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLargestRequest) socket->abort();
                return;
            }
            const QString line = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write(kTaken);
            socket->flush();
            socket->disconnectFromServer();
            if (line.startsWith(kOpen)) {
                emit Handed(line.mid(int(qstrlen(kOpen))));
            } else if (line == kShow) {
                emit Handed({});
            }
        });
    }
}

}  // namespace k5::app
