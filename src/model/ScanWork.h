#pragma once
// The scan of one load, run as a job of the model's pool: collect, then analyse the
// files on reader threads (owned by the scan and joined before it returns) that each
// claim the next chunk, handing batches of records on in collected order.

#include "library/Library.h"
#include "library/Scan.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

namespace vidorra {

// Files a reader claims at a time: few enough that batches stay in collected order
// without waiting long for a straggler, many enough that claiming costs nothing.
inline constexpr int scanChunk = 32;
// Batches are handed on at most this often (plus once at the end), because every
// batch rebuilds the library and redraws the window.
inline constexpr int scanUpdateIntervalMs = 250;

// Where the scan hands its results. The functions are called on the scan thread and
// must post to the model themselves.
// Everything read so far with its library, built on the scan thread so the main
// thread does not have to. Valid for the model only while its tab is still `tab`.
struct ScanSnapshot {
    QList<Planned> items;
    std::optional<QString> tab;
    Library lib;
};

// The tab the model shows, written on the main thread and read by the scan thread.
class SharedTab {
public:
    void set(const std::optional<QString> &tab)
    {
        std::lock_guard lock(mutex_);
        tab_ = tab;
    }
    std::optional<QString> get() const
    {
        std::lock_guard lock(mutex_);
        return tab_;
    }
private:
    mutable std::mutex mutex_;
    std::optional<QString> tab_;
};

struct ScanSink {
    // The scan result without items, and the number of files collected.
    std::function<void(const ScanResult &collected, int total)> collected;
    // The next records in collected order, and how many files are analysed so far.
    // With `tab` set, `snapshot` holds every record so far and their library.
    std::function<void(const QList<Planned> &records, int done, const std::optional<ScanSnapshot> &snapshot)> batch;
    // The tab the model shows now (read on the scan thread); unset: no snapshots.
    std::function<std::optional<QString>()> tab;
    // Every file analysed; not called for a cancelled scan.
    std::function<void(int total)> ended;
};

// Pacing of the scan, changed by tests and benchmarks only.
struct ScanHooks {
    // Batches are handed on when this much has passed since the last one; a negative
    // value hands on every chunk by itself.
    int updateIntervalMs = scanUpdateIntervalMs;
    // Called on a reader thread before each chunk is read, after the cancellation
    // check, with the scan's sources and the index of the chunk's first file. Chunks
    // before it are handed on meanwhile; chunks after it wait for it.
    std::function<void(const QStringList &sources, int firstIndex)> beforeChunk;
};

// Runs the whole scan; once `token` is cancelled, readers start no further chunk and
// nothing more is handed on, not even the end. The model checks the token again when
// it applies what was handed on before.
void runScan(const QStringList &urls, const ScanTokenPtr &token, const ScanSink &sink,
             const ScanHooks &hooks = {});

} // namespace vidorra
