// One window per user. The first start serves a local socket in the user's
// runtime folder; a later start hands it its pack file (or only asks it to come
// to the front) and exits. A lock file beside the socket keeps two first starts
// from both serving; a crashed start's lock and socket do not count. Without a
// runtime folder of this user's alone, each start goes on alone; both ends check
// that the other is the same user.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace k5::app {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `folder`: where the socket and the lock live; the user's runtime folder when empty. Used only
    // when it is a folder of this user's that no other can reach.
    explicit SingleInstance(const QString& folder = {});

    // Hands `file` (an absolute path; empty: none) to the instance that serves.
    // True when it took it.
    bool HandOver(const QString& file, int timeoutMs = 3000);
    // Serves from now on (when the socket can be made): false when another start holds the lock.
    bool Serve();
    // Hands over if an instance serves, else serves: false when handed over (exit then). When no
    // instance answers and none can be served within a few seconds, this start goes on alone.
    bool HandOverOrServe(const QString& file);

    // The request line that hands over `file` (empty: only show the window), and what a request line
    // (without its line break) asks for: a file, an empty string to show the window, or nothing when
    // it does not parse.
    static QByteArray Request(const QString& file);
    static std::optional<QString> ParseRequest(const QByteArray& line);

  signals:
    // A later start handed over `file` (empty: it only asks for the window).
    void Handed(const QString& file);

  private:
    void Accept();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
};

}  // namespace k5::app
