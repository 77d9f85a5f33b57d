#pragma once
// The verified copy of a card. Each file is written under a hidden partial name beside
// its final place, flushed, read back past the page cache and compared by XXH3-128
// with the checksum of the card's bytes taken while they were read; only then is it
// put in place, without replacing anything, and listed in the folder's checksum file.
// A mismatch or a read error is tried once more; then the file fails with its line.
// The card is only ever read.
//
// One thread reads the card while another writes and checks the copies, passing a few
// large buffers between them, so the card never waits for the disk's checks.

#include "import/ImportPlan.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>
#include <thread>

namespace vidorra {

struct ImportProgress {
    int filesDone = 0;  // copied, skipped or failed
    int filesTotal = 0;
    qint64 bytesDone = 0; // each byte counts half when written and half when checked
    qint64 bytesTotal = 0;
    QString current;    // the file being copied
};

struct ImportOutcome {
    QString folder;
    int clipsCopied = 0;
    int filesCopied = 0;
    qint64 bytesCopied = 0;
    int clipsSkipped = 0; // already imported (here or in an earlier import)
    int filesSkipped = 0;
    QStringList failed;   // one line per file that failed
    int notTried = 0;     // files left when the import stopped early
    bool cancelled = false;
    bool destinationFull = false;
    bool operator==(const ImportOutcome &) const = default;
};

using ImportProgressFn = std::function<void(const ImportProgress &)>;

// Copies `plan` on the calling thread (and one reader thread of its own, joined before
// it returns). `progress` is called from either thread, at most every tenth of a second
// and once at the end. A stop request ends the import after the current block: the
// file in hand is removed, files already in place stay with their checksums listed.
ImportOutcome runImport(const ImportPlan &plan, std::stop_token stop, const ImportProgressFn &progress = {});

// One import at a time on a thread of its own. Destroying the job stops the import and
// waits for it, so no partial file is ever left behind.
class ImportJob {
public:
    using Done = std::function<void(const ImportOutcome &)>;
    ImportJob() = default;
    ~ImportJob();
    ImportJob(const ImportJob &) = delete;
    ImportJob &operator=(const ImportJob &) = delete;

    // `done` runs on the import's thread once it has ended.
    void start(ImportPlan plan, ImportProgressFn progress, Done done);
    void cancel();
    // Waits for the import to end.
    void wait();

private:
    std::jthread thread;
};

// Steps at which a test can make an import fail. `path` is the card file for the card
// steps and the partial copy for the others; `attempt` is 0, then 1 for the retry.
enum class ImportStep {
    OpenCard,      // opening the card file
    ReadCard,      // each read from the card
    CreatePartial, // creating the hidden partial copy
    Write,         // each write of the copy
    ReadBack,      // reading the flushed copy back (a test may change the copy here)
    Place,         // putting the checked copy in place
};
// Called before each step; a non-zero errno value makes the step fail with it. Empty
// function to remove.
using ImportFault = std::function<int(ImportStep step, const QString &path, int attempt)>;
void setImportFault(ImportFault fault);

} // namespace vidorra
