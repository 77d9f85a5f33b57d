#pragma once
// The threads of the model's background work: one thread per scan or action, so a
// long file operation never occupies the shared pool that analyses clips and loads
// thumbnails. Threads are kept until they end, so the owner can wait for them.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

namespace vidorra {

class BackgroundThreads {
public:
    explicit BackgroundThreads(QObject *owner) : owner_(owner) {}
    ~BackgroundThreads() { waitAll(); }

    void start(QThread::Priority priority, std::function<void()> work);
    // How many of the threads started here still run.
    int running() const;
    // Blocks until every thread has ended (file work is never interrupted halfway).
    void waitAll();

private:
    QObject *owner_;
    QList<QPointer<QThread>> threads_;
};

} // namespace vidorra
