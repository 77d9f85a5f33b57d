#include "import/Importer.h"

#include "import/Manifest.h"

#include "library/Paths.h"
#include "library/SafeMove.h"
#include "text/Language.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

// Large blocks keep both devices streaming; four of them in flight let the card run
// ahead while a copy is flushed and read back.
constexpr std::size_t blockSize = std::size_t(8) << 20;
constexpr int blockCount = 4;
// Direct reads need buffers aligned to the device's block size.
constexpr std::size_t alignment = 4096;

std::mutex faultLock;
ImportFault currentFault;

int injected(ImportStep step, const QString &path, int attempt)
{
    ImportFault fault;
    {
        std::lock_guard guard(faultLock);
        fault = currentFault;
    }
    return fault ? fault(step, path, attempt) : 0;
}

QByteArray native(const QString &path) { return QFile::encodeName(path); }

struct Buffer {
    char *data = static_cast<char *>(std::aligned_alloc(alignment, blockSize));
    ~Buffer() { std::free(data); }
    Buffer() = default;
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
};

// Why one attempt at a file failed.
struct Trouble {
    enum Kind {
        None,
        CardRead,    // the card could not be opened or read (err)
        CardChanged, // the card's file changed size or time while it was read
        Refused,     // the destination does not take the name
        Write,       // creating, writing or flushing the copy (err)
        ReadBack,    // reading the copy back (err)
        Mismatch,    // the copy read back differs from the card's bytes
        Place,       // putting the copy in place (err)
        Exists,      // something else already has the name
        Stopped,     // the import was stopped
    } kind = None;
    int err = 0;
    QString detail; // the reason in words where the errno value would not say it

    Trouble() = default;
    Trouble(Kind kind, int err, QString detail = {}) : kind(kind), err(err), detail(std::move(detail)) {}
    explicit operator bool() const { return kind != None; }
    // Worth one more try: the card or the copy may read differently a second time.
    bool retry() const { return kind == CardRead || kind == CardChanged || kind == ReadBack || kind == Mismatch; }
    bool full() const { return (kind == Write || kind == Place) && (err == ENOSPC || err == EDQUOT); }
    QString line(const QString &name) const
    {
        switch (kind) {
        case CardChanged:
            return L("%@: changed on the card while it was read", {name});
        case Refused:
            return L("%@: the destination does not accept this name", {name});
        case Mismatch:
            return L("%@: the copy differs from the card, twice", {name});
        case Exists:
            return L("%@: already exists at destination", {name});
        default:
            return name + QStringLiteral(": ") + (detail.isEmpty() ? errorText(err) : detail);
        }
    }
};

// The running totals, shared by the reader and the writer.
class Totals {
public:
    Totals(const ImportPlan &plan, const ImportProgressFn &fn) : fn(fn)
    {
        filesTotal = int(plan.files.size());
        bytesTotal = plan.bytes;
        clock.start();
    }
    void add(qint64 halves) { done += halves; report(false); }
    void fileDone(qint64 size, qint64 halvesCounted)
    {
        // A file counts fully once settled, however many tries it took.
        done += 2 * size - halvesCounted;
        ++files;
        report(true);
    }
    void setCurrent(const QString &name)
    {
        std::lock_guard guard(lock);
        current = name;
    }
    void report(bool force)
    {
        if (!fn)
            return;
        std::unique_lock guard(lock);
        if (!force && clock.elapsed() - last < 100)
            return;
        last = clock.elapsed();
        ImportProgress p;
        p.filesDone = files;
        p.filesTotal = filesTotal;
        p.bytesTotal = bytesTotal;
        p.bytesDone = std::clamp<qint64>(done / 2, 0, bytesTotal);
        p.current = current;
        guard.unlock();
        fn(p);
    }

private:
    const ImportProgressFn &fn;
    std::mutex lock;
    QElapsedTimer clock;
    qint64 last = -1000;
    std::atomic<qint64> done{0}; // in half bytes
    std::atomic<int> files{0};
    int filesTotal = 0;
    qint64 bytesTotal = 0;
    QString current;
};

// One card file, read from start to end. The card is opened read-only and, where the
// owner allows it, without touching its access times.
class CardReader {
public:
    ~CardReader() { close(); }

    Trouble open(const QString &path, int attempt)
    {
        this->path = path;
        this->attempt = attempt;
        if (const int err = injected(ImportStep::OpenCard, path, attempt))
            return {Trouble::CardRead, err};
        fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | O_NOATIME);
        if (fd < 0 && errno == EPERM)
            fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return {Trouble::CardRead, errno};
        if (::fstat(fd, &before) != 0)
            return {Trouble::CardRead, errno};
        if (!S_ISREG(before.st_mode))
            return {Trouble::CardRead, EISDIR};
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        hasher.reset();
        bytes = 0;
        return {};
    }

    // Fills `buffer`; 0 at the end. The bytes are added to the checksum.
    ssize_t read(char *buffer, Trouble &trouble)
    {
        if (const int err = injected(ImportStep::ReadCard, path, attempt)) {
            trouble = {Trouble::CardRead, err};
            return -1;
        }
        // Never past the size the file had when opened: a file that keeps growing
        // would otherwise be read forever. Growth shows in finish().
        const std::size_t want = std::size_t(std::min<qint64>(qint64(blockSize), before.st_size - bytes));
        std::size_t filled = 0;
        while (filled < want) {
            const ssize_t n = ::read(fd, buffer + filled, want - filled);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                trouble = {Trouble::CardRead, errno};
                return -1;
            }
            if (n == 0)
                break;
            filled += std::size_t(n);
        }
        hasher.add(buffer, filled);
        bytes += qint64(filled);
        return ssize_t(filled);
    }

    // After the last read: the file must have stayed as it was while it was read.
    Trouble finish()
    {
        struct stat after;
        if (::fstat(fd, &after) != 0)
            return {Trouble::CardRead, errno};
        if (after.st_size != before.st_size || bytes != before.st_size
            || after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec)
            return {Trouble::CardChanged, 0};
        return {};
    }

    Digest digest() const { return hasher.digest(); }

    void close()
    {
        if (fd >= 0) {
            // Read once; not worth keeping in memory.
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
            fd = -1;
        }
    }

private:
    QString path;
    int attempt = 0;
    int fd = -1;
    struct stat before {};
    Hasher hasher;
    qint64 bytes = 0;
};

// The copy of one file under its hidden partial name, then checked and put in place.
class PartialCopy {
public:
    explicit PartialCopy(Buffer &checkBuffer) : check(checkBuffer) {}
    ~PartialCopy() { discard(); }

    Trouble create(const QString &target, int attempt, QStringList &madeFolders)
    {
        finalPath = target;
        this->attempt = attempt;
        const QString folder = parentPath(target);
        QStringList made;
        if (const auto error = makeFolders(folder, &made)) {
            madeFolders << made;
            return {Trouble::Write, EIO, *error};
        }
        madeFolders << made;
        const QString name = fileName(target);
        QString hidden = u'.' + name + QStringLiteral(".vidorra-part");
        if (native(hidden).size() > 255)
            hidden = QStringLiteral(".vidorra-%1.part").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        partial = folder + u'/' + hidden;
        int err = injected(ImportStep::CreatePartial, partial, attempt);
        if (!err) {
            fd = createExclusive();
            // A partial copy of this name can only be left by an interrupted import.
            if (fd < 0 && errno == EEXIST && ::unlink(native(partial).constData()) == 0)
                fd = createExclusive();
            if (fd < 0)
                err = errno;
        }
        if (err) {
            const bool refused = err == EINVAL || err == EILSEQ || err == ENAMETOOLONG
                                 || (err == ENOENT && isDirectory(folder));
            partial.clear();
            return {refused ? Trouble::Refused : Trouble::Write, err};
        }
        written = 0;
        return {};
    }

    Trouble write(const char *data, std::size_t size)
    {
        if (const int err = injected(ImportStep::Write, partial, attempt))
            return {Trouble::Write, err};
        const off_t start = off_t(written);
        std::size_t left = size;
        while (left > 0) {
            const ssize_t n = ::write(fd, data, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return {Trouble::Write, errno};
            }
            data += n;
            left -= std::size_t(n);
        }
        written += qint64(size);
        // Start writing this block to the disk now, so the flush at the end is short
        // and the page cache does not fill with gigabytes waiting to be written.
        ::sync_file_range(fd, start, off_t(size), SYNC_FILE_RANGE_WRITE);
        return {};
    }

    // Flushes the copy, drops it from the page cache and reads it back from the disk;
    // the checksum must be `expected`. `progress` is told of every block read back.
    Trouble verify(const Digest &expected, const std::stop_token &stop, const std::function<void(qint64)> &progress)
    {
        if (::fsync(fd) != 0)
            return {Trouble::Write, errno};
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0)
            return {Trouble::Write, errno};
        if (const int err = injected(ImportStep::ReadBack, partial, attempt))
            return {Trouble::ReadBack, err};

        // Direct reads bypass the page cache altogether; file systems that refuse them
        // are read normally, from a cache just emptied of this file.
        bool direct = true;
        int in = ::open(native(partial).constData(), O_RDONLY | O_CLOEXEC | O_DIRECT);
        if (in < 0) {
            direct = false;
            in = ::open(native(partial).constData(), O_RDONLY | O_CLOEXEC);
        }
        if (in < 0)
            return {Trouble::ReadBack, errno};
        Hasher hasher;
        qint64 total = 0;
        Trouble trouble;
        for (;;) {
            if (stop.stop_requested()) {
                trouble = {Trouble::Stopped, ECANCELED};
                break;
            }
            const ssize_t n = ::pread(in, check.data, blockSize, off_t(total));
            if (n < 0 && errno == EINVAL && direct) {
                // Opened for direct reads but cannot do them here: read normally.
                ::close(in);
                direct = false;
                in = ::open(native(partial).constData(), O_RDONLY | O_CLOEXEC);
                if (in < 0)
                    return {Trouble::ReadBack, errno};
                continue;
            }
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                trouble = {Trouble::ReadBack, errno};
                break;
            }
            if (n == 0)
                break;
            hasher.add(check.data, std::size_t(n));
            total += n;
            if (progress)
                progress(n);
        }
        ::posix_fadvise(in, 0, 0, POSIX_FADV_DONTNEED);
        ::close(in);
        if (trouble)
            return trouble;
        if (total != written || hasher.digest() != expected)
            return {Trouble::Mismatch, 0};
        return {};
    }

    Trouble place()
    {
        if (const int err = injected(ImportStep::Place, partial, attempt))
            return {Trouble::Place, err};
        if (existsAt(finalPath))
            return {Trouble::Exists, EEXIST};
        if (const auto error = moveFile(partial, finalPath))
            return existsAt(finalPath) ? Trouble{Trouble::Exists, EEXIST} : Trouble{Trouble::Place, EIO, *error};
        partial.clear();
        // The new name must survive a power cut as the bytes do.
        const int dir = ::open(native(parentPath(finalPath)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return {};
    }

    void discard()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        if (!partial.isEmpty()) {
            ::unlink(native(partial).constData());
            partial.clear();
        }
    }

private:
    int createExclusive()
    {
        return ::open(native(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    }

    Buffer &check;
    QString finalPath;
    QString partial;
    int attempt = 0;
    int fd = -1;
    qint64 written = 0;
};

// What the reader hands the writer, in order.
struct Item {
    enum Kind {
        Start, // a copy of file `file` begins
        Data,  // `size` bytes of it in buffer `buffer`
        End,   // the card's file ended; `trouble` or its checksum `digest`
        Skip,  // already imported: `earlierIn` names where ("" for this import's folder)
        Clash, // another file has the name in this import's folder
    } kind;
    int file = 0;
    int buffer = -1;
    std::size_t size = 0;
    Digest digest{};
    Trouble trouble{};
    bool listedHere = false; // a skipped file this import's checksum file already lists
    qint64 counted = 0;      // half bytes the reader counted for it
};

class Channel {
public:
    Channel()
    {
        for (int i = 0; i < blockCount; ++i)
            freeBuffers.push_back(i);
    }
    void push(Item item)
    {
        {
            std::lock_guard guard(lock);
            items.push_back(std::move(item));
        }
        changed.notify_all();
    }
    // False once the reader is done and everything was taken, or the channel closed.
    bool pop(Item &item)
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return !items.empty() || readerDone || closed; });
        if (closed || items.empty())
            return false;
        item = std::move(items.front());
        items.pop_front();
        return true;
    }
    // A free buffer, or -1 when the channel was closed.
    int takeBuffer()
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return !freeBuffers.empty() || closed; });
        if (closed)
            return -1;
        const int b = freeBuffers.front();
        freeBuffers.pop_front();
        return b;
    }
    void giveBuffer(int b)
    {
        {
            std::lock_guard guard(lock);
            freeBuffers.push_back(b);
        }
        changed.notify_all();
    }
    void finishReading()
    {
        {
            std::lock_guard guard(lock);
            readerDone = true;
        }
        changed.notify_all();
    }
    void close()
    {
        {
            std::lock_guard guard(lock);
            closed = true;
        }
        changed.notify_all();
    }
    bool isClosed()
    {
        std::lock_guard guard(lock);
        return closed;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Item> items;
    std::deque<int> freeBuffers;
    bool readerDone = false;
    bool closed = false;
};

class Import {
public:
    Import(const ImportPlan &plan, std::stop_token userStop, const ImportProgressFn &progress)
        : plan(plan), userStop(std::move(userStop)), totals(plan, progress), manifest(plan.folder)
    {
        outcome.folder = plan.folder;
    }

    ImportOutcome run()
    {
        {
            std::jthread reader([this] { readCard(); });
            writeCopies();
            channel.close();
        }
        outcome.destinationFull = full.load();
        outcome.cancelled = userStop.stop_requested() && !outcome.destinationFull;
        outcome.notTried = int(plan.files.size()) - settled;
        if (outcome.destinationFull && outcome.notTried > 0)
            outcome.failed << Ln("The destination is full: %n more files were not copied", outcome.notTried);
        manifest.flush();
        // Folders made for files that then did not land go again (only empty ones can).
        for (auto it = madeFolders.crbegin(); it != madeFolders.crend(); ++it)
            ::rmdir(native(*it).constData());
        totals.report(true);
        return outcome;
    }

private:
    bool stopped() const { return userStop.stop_requested() || full.load(); }
    QString target(const ImportFile &f) const { return plan.folder + u'/' + f.relative; }

    // ---- the reader's side ----

    void readCard()
    {
        for (int i = 0; i < plan.files.size() && !stopped() && !channel.isClosed(); ++i) {
            if (const auto earlier = alreadyImported(i)) {
                channel.push(*earlier);
                continue;
            }
            streamFile(i);
        }
        channel.finishReading();
    }

    // A file found in this import's folder or an earlier import's checksum file is
    // compared with the card before anything is written.
    std::optional<Item> alreadyImported(int i)
    {
        const ImportFile &f = plan.files[i];
        const QString here = target(f);
        const auto listed = plan.earlier.constFind(f.relative);
        const bool listedHere = listed != plan.earlier.cend() && plan.folder.endsWith(u'/' + listed->folder);
        if (!existsAt(here) && listed == plan.earlier.cend())
            return std::nullopt;
        // Only read, never written: each byte counts in full.
        qint64 counted = 0;
        const std::optional<Digest> card = hashFile(f.source, nullptr, [&](qint64 total) {
            totals.add(2 * (total - counted / 2));
            counted = 2 * total;
            return !stopped();
        });
        if (!card)
            return std::nullopt; // the copy meets the read error and retries as usual
        if (existsAt(here)) {
            if (QFileInfo(here).size() == f.size && isRegularFile(here) && hashFile(here) == card)
                return Item{Item::Skip, i, -1, 0, *card, {}, listedHere, counted};
            return Item{Item::Clash, i, -1, 0, {}, {}, false, counted};
        }
        if (listed->digest == *card)
            return Item{Item::Skip, i, -1, 0, *card, {}, true, counted};
        totals.add(-counted); // read again by the copy
        return std::nullopt;
    }

    void streamFile(int i)
    {
        CardReader card;
        if (const Trouble t = card.open(plan.files[i].source, 0)) {
            channel.push(Item{Item::End, i, -1, 0, {}, t});
            return;
        }
        channel.push(Item{Item::Start, i});
        for (;;) {
            const int b = channel.takeBuffer();
            if (b < 0)
                return;
            if (stopped()) {
                channel.giveBuffer(b);
                channel.push(Item{Item::End, i, -1, 0, {}, {Trouble::Stopped, ECANCELED}});
                return;
            }
            Trouble t;
            const ssize_t n = card.read(buffers[b].data, t);
            if (n <= 0) {
                channel.giveBuffer(b);
                if (!t)
                    t = card.finish();
                channel.push(Item{Item::End, i, -1, 0, t ? Digest{} : card.digest(), t});
                return;
            }
            channel.push(Item{Item::Data, i, b, std::size_t(n)});
        }
    }

    // ---- the writer's side ----

    void writeCopies()
    {
        Item item;
        PartialCopy copy(checkBuffer);
        Trouble trouble;
        qint64 counted = 0; // half bytes counted for the file in hand
        while (!stopped() && channel.pop(item)) {
            const ImportFile &f = plan.files[item.file];
            switch (item.kind) {
            case Item::Start:
                totals.setCurrent(fileName(f.relative));
                counted = 0;
                trouble = copy.create(target(f), 0, madeFolders);
                break;
            case Item::Data:
                if (!trouble && !stopped())
                    trouble = copy.write(buffers[item.buffer].data, item.size);
                channel.giveBuffer(item.buffer);
                totals.add(qint64(item.size));
                counted += qint64(item.size);
                break;
            case Item::End: {
                if (!trouble)
                    trouble = item.trouble;
                if (!trouble && !stopped())
                    trouble = checkAndPlace(copy, item.digest, counted);
                copy.discard();
                Digest digest = item.digest;
                if (trouble.retry() && !stopped()) {
                    totals.setCurrent(fileName(f.relative));
                    trouble = copyAgain(item.file, digest);
                }
                if (trouble.full())
                    full = true;
                settle(item.file, trouble, digest, counted);
                trouble = {};
                break;
            }
            case Item::Skip:
                if (!item.listedHere)
                    manifest.append({f.relative, item.digest});
                ++outcome.filesSkipped;
                outcome.clipsSkipped += f.clip ? 1 : 0;
                ++settled;
                totals.fileDone(f.size, item.counted);
                break;
            case Item::Clash:
                outcome.failed << Trouble{Trouble::Exists, EEXIST}.line(fileName(f.relative));
                ++settled;
                totals.fileDone(f.size, item.counted);
                break;
            }
            if (trouble.full()) {
                // Nothing more fits: this file fails and the import stops here.
                copy.discard();
                full = true;
                settle(item.file, trouble, {}, counted);
                trouble = {};
            }
        }
        // Whatever was in hand when the import stopped is removed by `copy`; buffers
        // still queued go back so the reader can see the channel close.
    }

    Trouble checkAndPlace(PartialCopy &copy, const Digest &expected, qint64 &counted)
    {
        const Trouble t = copy.verify(expected, userStop, [&](qint64 n) {
            totals.add(n);
            counted += n;
        });
        if (t)
            return t;
        return copy.place();
    }

    // The second try, on this thread alone: read the card's file again, copy, check.
    // `digest` becomes the checksum of this second reading.
    Trouble copyAgain(int i, Digest &digest)
    {
        const ImportFile &f = plan.files[i];
        CardReader card;
        Trouble t = card.open(f.source, 1);
        if (t)
            return t;
        PartialCopy copy(checkBuffer);
        qint64 counted = 0;
        if ((t = copy.create(target(f), 1, madeFolders)))
            return t;
        Buffer &buffer = retryBuffer;
        for (;;) {
            if (stopped())
                return {Trouble::Stopped, ECANCELED};
            const ssize_t n = card.read(buffer.data, t);
            if (t)
                return t;
            if (n == 0)
                break;
            if ((t = copy.write(buffer.data, std::size_t(n))))
                return t;
        }
        if ((t = card.finish()))
            return t;
        digest = card.digest();
        return checkAndPlace(copy, digest, counted);
    }

    void settle(int i, const Trouble &trouble, const Digest &digest, qint64 counted)
    {
        const ImportFile &f = plan.files[i];
        ++settled;
        if (trouble.kind == Trouble::Stopped || (trouble && stopped() && !trouble.full())) {
            --settled; // left for another import
            return;
        }
        if (trouble) {
            outcome.failed << trouble.line(fileName(f.relative));
            totals.fileDone(f.size, counted);
            return;
        }
        if (const int err = manifest.append({f.relative, digest}))
            outcome.failed << fileName(manifestName()) + QStringLiteral(": ") + errorText(err);
        ++outcome.filesCopied;
        outcome.clipsCopied += f.clip ? 1 : 0;
        outcome.bytesCopied += f.size;
        totals.fileDone(f.size, counted);
    }

    const ImportPlan &plan;
    std::stop_token userStop;
    std::atomic<bool> full{false};
    Totals totals;
    ManifestWriter manifest;
    Channel channel;
    Buffer buffers[blockCount];
    Buffer checkBuffer;
    Buffer retryBuffer;
    QStringList madeFolders;
    ImportOutcome outcome;
    int settled = 0;
};

} // namespace

ImportOutcome runImport(const ImportPlan &plan, std::stop_token stop, const ImportProgressFn &progress)
{
    Import import(plan, std::move(stop), progress);
    return import.run();
}

ImportJob::~ImportJob()
{
    cancel();
    wait();
}

void ImportJob::start(ImportPlan plan, ImportProgressFn progress, Done done)
{
    wait();
    thread = std::jthread([plan = std::move(plan), progress = std::move(progress),
                           done = std::move(done)](std::stop_token stop) {
        const ImportOutcome outcome = runImport(plan, stop, progress);
        if (done)
            done(outcome);
    });
}

void ImportJob::cancel()
{
    thread.request_stop();
}

void ImportJob::wait()
{
    if (thread.joinable())
        thread.join();
}

void setImportFault(ImportFault fault)
{
    std::lock_guard guard(faultLock);
    currentFault = std::move(fault);
}

} // namespace vidorra
