#pragma once
// Keeps the list of camera cards current as volumes are mounted and unmounted. The
// mount table is watched (the kernel marks /proc/self/mountinfo when it changes); where
// it cannot be watched, it is looked at every few seconds. Volumes are searched on a
// thread of the watcher's own, so a slow device never stalls the window.

#include "import/Card.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace vidorra {

class CardWatcher : public QObject {
    Q_OBJECT
public:
    using Lister = std::function<QList<Volume>()>;

    // `lister` gives the volumes to search (mountedVolumes when empty).
    explicit CardWatcher(Lister lister = {}, QObject *parent = nullptr);
    // Stops and joins the search thread.
    ~CardWatcher() override;

    const QList<Card> &cards() const { return current; }

public Q_SLOTS:
    // Searches the volumes again now (also after a change of the mount table).
    void refresh();

Q_SIGNALS:
    // The list changed; `cards()` holds the new one.
    void cardsChanged();
    // A search has come back, whether or not it changed anything.
    void searched();

private:
    void found(const QList<Card> &cards);

    QList<Card> current;
    QThread thread;
    QObject *worker = nullptr;
    Lister lister;
    int mountTable = -1;
    QSocketNotifier *notifier = nullptr;
    QTimer *poll = nullptr;
    bool searching = false;
    bool again = false;
};

} // namespace vidorra
