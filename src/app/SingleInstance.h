#pragma once
// One running Vidorra per user: a later launch hands its paths to the running one over a
// local socket named after the user, and exits instead of opening a second window.

#include <QObject>
#include <QStringList>
#include <optional>

class QLocalServer;

namespace vidorra {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the socket; the default is per user, so two users never meet.
    explicit SingleInstance(QString key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultKey();

    // Tries to reach a running instance and give it `paths` (possibly none: then it only
    // comes to the front). True when the running instance took them.
    bool handOver(const QStringList &paths, int timeoutMs = 2000);

    // Becomes the running instance. A socket left behind by a crashed run is removed
    // first, but only when no instance answers on it. False when listening failed.
    bool listen();

Q_SIGNALS:
    // Another launch handed over these paths (empty: it only asked to be shown).
    void pathsReceived(const QStringList &paths);

private:
    void acceptConnections();

    QString key;
    QLocalServer *server = nullptr;
};

// The wire format of a hand-over: a 32-bit big-endian byte count, then the paths as
// UTF-8 joined by NUL (a character no Linux path holds).
QByteArray encodeHandOver(const QStringList &paths);
// Complete paths from `buffer` once it holds a whole message; nullopt while incomplete
// or when the message is malformed (then `malformed` is set).
std::optional<QStringList> decodeHandOver(const QByteArray &buffer, bool *malformed = nullptr);

} // namespace vidorra
