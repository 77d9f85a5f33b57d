#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QtEndian>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {
// A hand-over never needs more; anything larger is not one of ours.
constexpr quint32 maxMessage = 64u * 1024u * 1024u;
constexpr char ack = 'k';
// The user at the other end of a connected local socket; nullopt when unknown.
std::optional<uid_t> peerUser(const QLocalSocket &socket)
{
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return std::nullopt;
    return peer.uid;
}

bool ownedByUs(const struct stat &info)
{
    return info.st_uid == ::getuid();
}

// One part of the socket's name, safe as a file name whatever the environment holds.
QString namePart(const QString &text, const char *fallback)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9.-]"));
    QString part = text.left(40);
    part.replace(unsafe, QStringLiteral("_"));
    return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")
        ? QString::fromLatin1(fallback) : part;
}

} // namespace

QByteArray encodeHandOver(const QStringList &paths)
{
    const QByteArray body = paths.join(QChar(0)).toUtf8();
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size()), out.data());
    return out + body;
}

std::optional<QStringList> decodeHandOver(const QByteArray &buffer, bool *malformed)
{
    if (malformed)
        *malformed = false;
    if (buffer.size() < 4)
        return std::nullopt;
    const quint32 size = qFromBigEndian<quint32>(buffer.constData());
    if (size > maxMessage) {
        if (malformed)
            *malformed = true;
        return std::nullopt;
    }
    if (quint64(buffer.size()) < 4 + quint64(size))
        return std::nullopt;
    if (size == 0)
        return QStringList{};
    QStringList paths = QString::fromUtf8(buffer.mid(4, size)).split(QChar(0));
    paths.removeAll(QString());
    return paths;
}

SingleInstance::SingleInstance(QString key, QObject *parent) : QObject(parent), key(std::move(key)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString &session, const QString &display)
{
    return QStringLiteral("vidorra-%1-%2.sock").arg(namePart(session, "nosession"), namePart(display, "nodisplay"));
}

bool SingleInstance::isPrivateFolder(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && ownedByUs(info) && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool SingleInstance::isOwnSocket(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISSOCK(info.st_mode) && ownedByUs(info);
}

QString SingleInstance::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    // No usable runtime folder (a bare session, a container): one of our own, which must
    // turn out to be ours and private even when someone made it first.
    const QString own = QDir::tempPath() + QStringLiteral("/vidorra-%1").arg(quint64(::getuid()));
    ::mkdir(QFile::encodeName(own).constData(), S_IRWXU);
    return isPrivateFolder(own) ? own : QString();
}

QString SingleInstance::defaultKey()
{
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    // Keyed by the login session and the display: a launch elsewhere must not hand its
    // folder to a window the user cannot see.
    const QString display = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? qEnvironmentVariable("DISPLAY")
                                                                           : qEnvironmentVariable("WAYLAND_DISPLAY");
    return folder + u'/' + socketName(qEnvironmentVariable("XDG_SESSION_ID"), display);
}

bool SingleInstance::handOver(const QStringList &paths, int timeoutMs)
{
    if (key.isEmpty())
        return false;
    // A socket by that name that is not ours is not our running instance.
    if (QDir::isAbsolutePath(key) && QFile::exists(key) && !isOwnSocket(key))
        return false;
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (peerUser(socket) != ::getuid())
        return false;
    QStringList absolute;
    for (const QString &p : paths)
        absolute.append(QDir::current().absoluteFilePath(p));
    socket.write(encodeHandOver(absolute));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running instance confirms, so a dying one does not swallow the paths.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.read(1) == QByteArray(1, ack);
}

bool SingleInstance::listen()
{
    if (server)
        return true;
    if (key.isEmpty())
        return false;
    // Someone else's file in our place: leave it alone, and run on our own.
    struct stat info {};
    if (QDir::isAbsolutePath(key) && ::lstat(QFile::encodeName(key).constData(), &info) == 0 && !ownedByUs(info))
        return false;
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(key)) {
        // A socket file without a listener is the remains of a crashed run.
        QLocalSocket probe;
        probe.connectToServer(key);
        if (probe.waitForConnected(300)) {
            delete server;
            server = nullptr;
            return false;
        }
        QLocalServer::removeServer(key);
        if (!server->listen(key)) {
            delete server;
            server = nullptr;
            return false;
        }
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (peerUser(*socket) != ::getuid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *buffer = new QByteArray;
        connect(socket, &QObject::destroyed, this, [buffer] { delete buffer; });
        const auto take = [this, socket, buffer] {
            buffer->append(socket->readAll());
            bool malformed = false;
            const std::optional<QStringList> paths = decodeHandOver(*buffer, &malformed);
            if (malformed) {
                socket->abort();
                return;
            }
            if (!paths)
                return;
            buffer->clear();
            socket->write(QByteArray(1, ack));
            socket->flush();
            socket->disconnectFromServer();
            Q_EMIT pathsReceived(*paths);
        };
        connect(socket, &QLocalSocket::readyRead, this, take);
        if (socket->bytesAvailable() > 0)
            take();
    }
}

} // namespace vidorra
