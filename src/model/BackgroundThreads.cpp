#include "BackgroundThreads.h"

namespace vidorra {

void BackgroundThreads::start(QThread::Priority priority, std::function<void()> work)
{
    threads_.removeIf([](const QPointer<QThread> &t) { return t.isNull(); });
    QThread *thread = QThread::create(std::move(work));
    thread->setParent(owner_);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    threads_.append(thread);
    thread->start(priority);
}

bool BackgroundThreads::running() const
{
    for (const QPointer<QThread> &t : threads_) {
        if (t && !t->isFinished())
            return true;
    }
    return false;
}

void BackgroundThreads::waitAll()
{
    for (const QPointer<QThread> &t : threads_) {
        if (t)
            t->wait();
    }
}

} // namespace vidorra
