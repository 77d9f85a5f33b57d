#pragma once
// One-shot background jobs: `job` runs on a named, owned pool and its result comes
// back to `context`'s thread as a queued call. The call always goes through the event
// loop, even when the job is done before this returns (a continuation attached to a
// finished future would otherwise run at once, inside the caller), and it is dropped
// if `context` is gone by then. The pool's owner waits for the pool before it goes, so
// a running job never outlives what it reports to; the pool counts a job as active
// until its result is queued.

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <type_traits>
#include <utility>

namespace vidorra {

template <typename Job, typename Apply>
void runJob(QThreadPool &pool, QObject *context, Job job, Apply apply)
{
    using Result = std::invoke_result_t<Job>;
    QtConcurrent::run(&pool, std::move(job))
        .then(QtFuture::Launch::Sync, [context, apply = std::move(apply)](Result result) mutable {
            QMetaObject::invokeMethod(
                context, [apply = std::move(apply), result = std::move(result)]() mutable { apply(std::move(result)); },
                Qt::QueuedConnection);
        });
}

} // namespace vidorra
