#include "ui/piles/CardReveal.h"

#include "ui/window/DesktopOpen.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QUrl>

namespace vidorra {

namespace {

std::function<void(const QStringList &)> &handler()
{
    static std::function<void(const QStringList &)> h;
    return h;
}

void openFolderOf(const QString &path)
{
    openWithDesktop(QUrl::fromLocalFile(QFileInfo(path).absolutePath()), DesktopTarget::Folder);
}

} // namespace

void setRevealHandler(std::function<void(const QStringList &)> h)
{
    handler() = std::move(h);
}

void revealInFileManager(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (handler()) {
        handler()(paths);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(paths.first());
        return;
    }
    QStringList uris;
    for (const QString &p : paths)
        uris << QUrl::fromLocalFile(p).toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous, so a slow or absent file manager never blocks the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 3000), qApp);
    const QString first = paths.first();
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [watcher, first] {
        if (watcher->isError())
            openFolderOf(first);
        watcher->deleteLater();
    });
}

} // namespace vidorra
