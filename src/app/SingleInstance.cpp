#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>
#include <optional>
#include <unistd.h>

namespace vidorra {

namespace {
// A hand-over never needs more; anything larger is not one of ours.
constexpr quint32 maxMessage = 64u * 1024u * 1024u;
constexpr char ack = 'k';
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

QString SingleInstance::defaultKey()
{
    return QStringLiteral("vidorra-%1").arg(quint64(::getuid()));
}

bool SingleInstance::handOver(const QStringList &paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(timeoutMs))
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
