#pragma once
// One running Vidorra per login session and display: a later launch hands its paths to
// the running one over a local socket in the user's private runtime folder, and exits
// instead of opening a second window. A socket or folder that is not the user's own is
// never used: the paths could reach someone else, or a stranger's file could keep the
// application from starting.

#include <QObject>
#include <QStringList>
#include <optional>

class QLocalServer;

namespace vidorra {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` is the socket's path (or a bare name, for tests); an empty key makes this
    // launch stand alone: it hands nothing over and listens to no one.
    explicit SingleInstance(QString key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket for this login session and display, in runtimeFolder(); empty when no
    // private folder can be had.
    static QString defaultKey();
    // The socket's file name: "vidorra-<session>-<display>.sock", with anything but
    // letters, digits, "." and "-" in the two parts turned into "_".
    static QString socketName(const QString &session, const QString &display);
    // $XDG_RUNTIME_DIR when it is the user's private folder; otherwise a private folder
    // of our own under the temporary folder, made (mode 0700) when missing. Empty when
    // neither passes isPrivateFolder.
    static QString runtimeFolder();
    // A real folder (not a link) owned by the user, which nobody else may enter.
    static bool isPrivateFolder(const QString &path);
    // A socket file owned by the user.
    static bool isOwnSocket(const QString &path);

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
