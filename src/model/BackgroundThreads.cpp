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

int BackgroundThreads::running() const
{
    int n = 0;
    for (const QPointer<QThread> &t : threads_) {
        if (t && !t->isFinished())
            ++n;
    }
    return n;
}

void BackgroundThreads::waitAll()
{
    for (const QPointer<QThread> &t : threads_) {
        if (t)
            t->wait();
    }
}

} // namespace vidorra
