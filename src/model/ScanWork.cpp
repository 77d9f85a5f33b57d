#include "ScanWork.h"

#include <QElapsedTimer>
#include <QRunnable>
#include <QThreadPool>
#include <latch>
#include <mutex>
#include <optional>

namespace vidorra {

namespace {

// Analyses every file of the chunk on the shared pool and returns the records in
// chunk order. Each task fills its own slot under the chunk's one mutex.
QList<Planned> analyzeChunk(const QList<CollectedFile> &chunk)
{
    QList<std::optional<Planned>> slots(chunk.size());
    std::mutex slotsMutex;
    std::latch done(chunk.size());
    QThreadPool *pool = QThreadPool::globalInstance();
    for (qsizetype k = 0; k < chunk.size(); ++k) {
        pool->start([&, k] {
            Planned record = analyze(chunk[k].url, chunk[k].direct);
            {
                std::lock_guard lock(slotsMutex);
                slots[k] = std::move(record);
            }
            done.count_down();
        });
    }
    done.wait();

    QList<Planned> records;
    records.reserve(chunk.size());
    for (std::optional<Planned> &slot : slots)
        records.append(std::move(*slot));
    return records;
}

} // namespace

void runScan(const QStringList &urls, const ScanTokenPtr &token, const ScanSink &sink,
             const ScanHooks &hooks)
{
    const Collected collected = collect(urls);
    const qsizetype total = collected.files.size();
    sink.collected(collected.result, int(total));

    QElapsedTimer sinceLast;
    sinceLast.start();
    QList<Planned> pending;
    QList<Planned> all; // every record so far, for the snapshots
    qsizetype i = 0;
    while (i < total) {
        if (token->cancelled.load())
            return;
        if (hooks.beforeChunk)
            hooks.beforeChunk(urls, int(i));
        const QList<CollectedFile> chunk = collected.files.mid(i, kScanChunk);
        pending.append(analyzeChunk(chunk));
        i += chunk.size();
        if (sinceLast.elapsed() > hooks.updateIntervalMs || i >= total) {
            std::optional<ScanSnapshot> snapshot;
            if (sink.tab) {
                all.append(pending);
                const std::optional<QString> tab = sink.tab();
                snapshot = ScanSnapshot{all, tab, Library(all, tab)};
            }
            sink.batch(pending, int(i), snapshot);
            pending.clear();
            sinceLast.restart();
        }
    }
    sink.ended(int(total));
}

} // namespace vidorra
