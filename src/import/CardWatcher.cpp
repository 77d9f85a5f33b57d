#include "import/CardWatcher.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace vidorra {

CardWatcher::CardWatcher(Lister givenLister, QObject *parent)
    : QObject(parent), lister(givenLister ? std::move(givenLister) : Lister(mountedVolumes))
{
    thread.setObjectName(QStringLiteral("cards"));
    worker = new QObject;
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.start(QThread::LowPriority);

    // The kernel reports a change of the mount table as an exceptional condition on
    // the open file (POLLPRI), which is what an exception notifier waits for.
    mountTable = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (mountTable >= 0) {
        notifier = new QSocketNotifier(mountTable, QSocketNotifier::Exception, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            // Reading to the end re-arms the notification.
            ::lseek(mountTable, 0, SEEK_SET);
            char sink[4096];
            while (::read(mountTable, sink, sizeof sink) > 0) {
            }
            refresh();
        });
    } else {
        poll = new QTimer(this);
        poll->setInterval(3000);
        connect(poll, &QTimer::timeout, this, &CardWatcher::refresh);
        poll->start();
    }
    refresh();
}

CardWatcher::~CardWatcher()
{
    thread.quit();
    thread.wait();
    if (mountTable >= 0)
        ::close(mountTable);
}

void CardWatcher::refresh()
{
    // One search at a time; a change during a search asks for one more after it.
    if (searching) {
        again = true;
        return;
    }
    searching = true;
    QMetaObject::invokeMethod(worker, [list = lister, self = QPointer<CardWatcher>(this)] {
        const QList<Card> cards = findCards(list());
        QMetaObject::invokeMethod(self.data(), [self, cards] {
            if (self)
                self->found(cards);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void CardWatcher::found(const QList<Card> &cards)
{
    searching = false;
    if (cards != current) {
        current = cards;
        Q_EMIT cardsChanged();
    }
    Q_EMIT searched();
    if (again) {
        again = false;
        refresh();
    }
}

} // namespace vidorra
