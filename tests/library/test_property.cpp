// Randomized: organize, rename and trash in any order, with failures on the way, then
// undo; every file must be back with its bytes, and organizing's folders gone.
// One fixed seed by default; VIDORRA_PROPERTY_SEEDS=500 runs seeds 1..500 as well.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/Paths.h"
#include "library/SafeMove.h"
#include "library/Trash.h"
#include "library/Undo.h"
#include "rename/Rename.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cerrno>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

// Relative path -> SHA-256 for files, "dir" for folders.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        it.next();
        const QString rel = base.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir())
            out.insert(rel, "dir");
        else
            out.insert(rel, QCryptographicHash::hash(readBytes(it.filePath()), QCryptographicHash::Sha256).toHex());
    }
    return out;
}

class Run {
public:
    Run(quint32 seed, const QString &root) : rng(seed), faults(seed * 7919u + 1), root(root) {}

    void build()
    {
        static const QStringList folders{"A", "B", "Día 2", "D-Log", "x/y", "A/D-Log - old", ""};
        static const QStringList stems{"DJI_20240131123456_0007_D", "DJI_0001", "clip", "clip_0042",
                                       "20230101_DLog_4K30p_0003", "é", "Ünïcode clip"};
        static const QStringList exts{"mp4", "MP4", "mov", "MOV"};
        const int count = pick(4, 18);
        for (int i = 0; i < count; ++i) {
            const QString folder = folders.at(pick(0, folders.size() - 1));
            const QString stem = stems.at(pick(0, stems.size() - 1)) + (pick(0, 3) ? QString::number(i) : QString());
            const QString base = root + u'/' + (folder.isEmpty() ? QString() : folder + u'/') + stem;
            const QString clip = base + u'.' + exts.at(pick(0, exts.size() - 1));
            if (QFileInfo::exists(clip))
                continue;
            makeDir(parentPath(clip));
            ASSERT_TRUE(writeBytes(clip, clipBytes(i)));
            for (const char *ext : {"LRF", "SRT", "aac"}) {
                if (pick(0, 2) == 0 && !QFileInfo::exists(base + u'.' + ext)) {
                    ASSERT_TRUE(writeBytes(base + u'.' + ext, QByteArray(ext) + QByteArray::number(i)));
                }
            }
        }
        writeBytes(root + QStringLiteral("/notes.txt"), "notes");
        writeBytes(root + QStringLiteral("/A/.hidden.mp4"), "hidden");
    }

    // One random operation on a fresh scan, possibly with a failure arranged first.
    void step()
    {
        QList<Planned> items = scan({root}).items;
        if (items.isEmpty())
            return;
        arrangeFailure(items);
        injectFaults = pick(0, 2) == 0;
        SortOutcome outcome;
        const int kind = pick(0, 2);
        log << QStringLiteral("step %1").arg(kind);
        switch (kind) {
        case 0:
            outcome = organize(ScanResult{root, true, items, {}});
            break;
        case 1: {
            static const QStringList templates{defaultRenameTemplate(), "{name}", "{name}_x", "clip",
                                               "{num}", "{date}_{iso}", "", "/", ".hidden", "{res}{fps}"};
            const QList<Planned> chosen = subset(items);
            outcome = performRename(renamePlans(chosen, templates.at(pick(0, templates.size() - 1))));
            break;
        }
        default:
            outcome = trashClips(subset(items));
        }
        injectFaults = false;
        clearFailures();
        for (const QString &line : std::as_const(outcome.failed))
            EXPECT_TRUE(line.contains(QStringLiteral(": "))) << line.toStdString();
        for (const Move &move : std::as_const(outcome.moves))
            log << QStringLiteral("move %1 -> %2%3").arg(move.from, move.to, move.trashed ? " (trash)" : "");
        for (const QString &line : std::as_const(outcome.failed))
            log << QStringLiteral("failed ") + line;
        history << outcome.moves;
    }

    // The user takes the obstacles away again after each operation.
    void clearFailures()
    {
        for (const QString &extra : std::as_const(extras))
            QFile::remove(extra);
        for (auto it = extraFolders.crbegin(); it != extraFolders.crend(); ++it)
            QDir().rmdir(*it);
        for (const QString &folder : std::as_const(lockedFolders))
            ::chmod(QFile::encodeName(folder).constData(), 0755);
        extras.clear();
        extraFolders.clear();
        lockedFolders.clear();
    }

    void undoAll()
    {
        const QStringList failed = undo(history);
        // Only a file deleted behind our back may fail to come back, and says so.
        for (const QString &line : failed)
            EXPECT_TRUE(!deleted.isEmpty() && line.endsWith(QStringLiteral(": ") + errorText(ENOENT)))
                << line.toStdString();
    }

    // Hashes of the files deleted behind the program's back.
    QList<QByteArray> deleted;
    // What happened, for the failure message.
    QStringList log;
    bool injectFaults = false;

    int fault(MoveStep step)
    {
        if (!injectFaults)
            return 0;
        std::uniform_int_distribution<int> d(0, 99);
        const int roll = d(faults);
        if (step == MoveStep::Rename && roll < 25)
            return EXDEV; // take the copy path
        if (roll >= 92)
            return (roll & 1) ? EIO : ENOSPC;
        return 0;
    }

private:
    std::mt19937 rng;
    std::mt19937 faults;
    QString root;
    QList<Move> history;
    QStringList extras;
    QStringList extraFolders; // made for the extras, outermost first
    QStringList lockedFolders;

    // Writes an obstacle file, remembering it and the folders made for it.
    void obstacle(const QString &file, const QByteArray &bytes)
    {
        if (existsAt(file))
            return;
        QStringList missing;
        for (QString folder = parentPath(file); !existsAt(folder); folder = parentPath(folder))
            missing.prepend(folder);
        if (writeBytes(file, bytes)) {
            extras << file;
            extraFolders << missing;
        }
    }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    QByteArray clipBytes(int i)
    {
        fixture::ClipSpec spec;
        spec.duration = 0.2;
        const int kind = pick(0, 4);
        if (kind == 1)
            spec.camera->colorCode = 22;
        if (kind == 2) {
            spec.camera->captureFPS = 120;
            spec.width = spec.camera->width = 1920;
            spec.height = spec.camera->height = 1080;
        }
        if (kind == 3)
            spec.camera.reset(); // not a camera clip: never sortable
        QByteArray bytes = fixture::buildClip(spec);
        // A trailing free box makes every file's bytes unique.
        const QByteArray tag = "clip number " + QByteArray::number(i) + " " + QByteArray::number(rng());
        const quint32 size = 8 + tag.size();
        bytes += char(size >> 24) + QByteArray() + char(size >> 16) + char(size >> 8) + char(size) + "free" + tag;
        return bytes;
    }

    QList<Planned> subset(const QList<Planned> &items)
    {
        QList<Planned> out;
        for (const Planned &p : items) {
            if (pick(0, 1))
                out << p;
        }
        return out;
    }

    void arrangeFailure(const QList<Planned> &items)
    {
        const Planned &victim = items.at(pick(0, items.size() - 1));
        switch (pick(0, 5)) {
        case 0: { // deleted behind the program's back
            // By content: the file may no longer be at its original path.
            const QByteArray hash = QCryptographicHash::hash(readBytes(victim.url), QCryptographicHash::Sha256).toHex();
            if (QFile::remove(victim.url))
                deleted << hash;
            break;
        }
        case 1: { // its organize target is taken
            obstacle(parentPath(victim.url) + u'/' + victim.folder + u'/' + fileName(victim.url), "squatter");
            break;
        }
        case 2: { // a file where its profile folder must be made
            obstacle(parentPath(victim.url) + u'/' + victim.folder.section(u'/', 0, 0), "blocker");
            break;
        }
        case 3: { // a read-only folder (root is not stopped by one)
            if (::geteuid() != 0) {
                const QString folder = parentPath(victim.url);
                ::chmod(QFile::encodeName(folder).constData(), 0555);
                lockedFolders << folder;
            }
            break;
        }
        default:
            break;
        }
    }
};

void runSeed(quint32 seed)
{
    SCOPED_TRACE(seed);
    QTemporaryDir home(tempHome() + QStringLiteral("/seed-XXXXXX"));
    ASSERT_TRUE(home.isValid());
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    const QString root = home.path() + QStringLiteral("/card");

    Run run(seed, root);
    run.build();
    const QMap<QString, QByteArray> before = snapshot(root);
    setMoveFault([&run](MoveStep step, const QString &, const QString &) { return run.fault(step); });
    std::mt19937 count(seed);
    const int steps = 1 + int(count() % 5);
    for (int i = 0; i < steps; ++i)
        run.step();
    setMoveFault({});
    run.undoAll();

    QMap<QString, QByteArray> expected = before;
    for (const QByteArray &gone : std::as_const(run.deleted)) {
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            if (it.value() == gone) {
                expected.erase(it);
                break;
            }
        }
    }
    const QMap<QString, QByteArray> after = snapshot(root);
    QStringList differences;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!after.contains(it.key()))
            differences << QStringLiteral("missing ") + it.key();
        else if (after.value(it.key()) != it.value())
            differences << QStringLiteral("changed ") + it.key();
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!expected.contains(it.key()))
            differences << QStringLiteral("extra ") + it.key();
    }
    EXPECT_TRUE(differences.isEmpty()) << differences.join(u'\n').toStdString() << "\n"
                                       << run.log.join(u'\n').toStdString();
    // Nothing left behind in the trash either.
    const QString trash = homeTrash();
    EXPECT_TRUE(tree(trash + QStringLiteral("/files")).isEmpty());
    EXPECT_TRUE(tree(trash + QStringLiteral("/info")).isEmpty());
    qputenv("XDG_DATA_HOME", savedData);
}

TEST(Property, NothingIsLostThroughOrganizeRenameTrashAndUndo)
{
    runSeed(20240131);
    bool ok = false;
    const int seeds = qEnvironmentVariableIntValue("VIDORRA_PROPERTY_SEEDS", &ok);
    for (int seed = 1; ok && seed <= seeds && !HasFailure(); ++seed)
        runSeed(quint32(seed));
}

} // namespace
