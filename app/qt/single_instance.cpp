#include "single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cctype>

namespace k5::app {

namespace {
// One line each way: "open <path>\n" with the path's UTF-8 percent-encoded (so that a line break
// in a folder name stays inside the path), or "show\n"; answered "ok\n", or "refused\n" when the
// request does not parse.
constexpr const char* kOpen = "open ";
constexpr const char* kShow = "show";
constexpr const char* kTaken = "ok\n";
constexpr const char* kRefused = "refused\n";
constexpr int kLargestRequest = 64 * 1024;

// A folder only this user can reach: the socket and the lock in any other could be taken over by
// another user, who would then receive this user's packs.
bool IsPrivateFolder(const QString& folder) {
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) return false;
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString RuntimeFolder(const QString& folder) {
    // Per user: $XDG_RUNTIME_DIR, else the folder Qt makes for this user alone; empty when that is
    // not private after all (then this start goes on alone).
    const QString chosen =
        folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
    return IsPrivateFolder(chosen) ? chosen : QString();
}

QString InFolder(const QString& folder, const char* name) {
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QString::fromLatin1(name));
}

// The other end of a local socket is this same user.
bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::geteuid();
}

bool IsPercentEncoded(const QByteArray& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
                return false;
            i += 2;
        } else if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_' &&
                   c != '~') {
            return false;
        }
    }
    return true;
}
}  // namespace

QByteArray SingleInstance::Request(const QString& file) {
    if (file.isEmpty()) return QByteArray(kShow) + '\n';
    return kOpen + file.toUtf8().toPercentEncoding() + '\n';
}

std::optional<QString> SingleInstance::ParseRequest(const QByteArray& line) {
    if (line == kShow) return QString();
    if (!line.startsWith(kOpen)) return std::nullopt;
    const QByteArray encoded = line.mid(qsizetype(qstrlen(kOpen)));
    if (!IsPercentEncoded(encoded)) return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(encoded);
    if (path.contains('\0') || !path.startsWith('/')) return std::nullopt;
    return QString::fromUtf8(path);
}

SingleInstance::SingleInstance(const QString& folder)
    : socketPath_(InFolder(RuntimeFolder(folder), "k5-iap-tool.socket")),
      lock_(InFolder(RuntimeFolder(folder), "k5-iap-tool.lock")) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

bool SingleInstance::HandOver(const QString& file, int timeoutMs) {
    if (socketPath_.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    if (!PeerIsThisUser(socket)) return false;
    socket.write(Request(file));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    }
    return socket.readLine() == kTaken;
}

bool SingleInstance::Serve() {
    if (socketPath_.isEmpty()) return false;
    // A lock whose process has gone is taken over; a live one is another first start's.
    if (!lock_.tryLock(0)) return false;
    QLocalServer::removeServer(socketPath_);  // a crashed start's socket
    return server_.listen(socketPath_);
}

bool SingleInstance::HandOverOrServe(const QString& file) {
    if (socketPath_.isEmpty()) return true;  // no private folder: this start goes on alone
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
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLargestRequest) socket->abort();
                return;
            }
            const std::optional<QString> file = ParseRequest(socket->readLine().chopped(1));
            socket->write(file ? kTaken : kRefused);
            socket->flush();
            socket->disconnectFromServer();
            if (file) emit Handed(*file);
        });
    }
}

}  // namespace k5::app
