// Randomized: organize, rename and trash in any order, with failures and files changed
// behind the program's back on the way, then undo; every file must be back with its
// bytes (a changed one with its new bytes), and organizing's folders gone.
// Two fixed seeds by default; VIDORRA_PROPERTY_SEEDS=500 runs seeds 1..500 as well.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/Trash.h"
#include "library/Undo.h"
#include "rename/Rename.h"

#include <QFile>
#include <QMap>

#include <cerrno>
#include <random>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

// Relative path -> bytes for files, "/" for folders.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> out;
    for (const QString &rel : tree(root))
        out.insert(rel, rel.endsWith(u'/') ? QByteArray("/") : readBytes(root + u'/' + rel));
    return out;
}

struct Run {
    Run(quint32 seed, const QString &root) : rng(seed), faults(seed * 7919u + 1), root(root) {}

    std::mt19937 rng, faults;
    QString root;
    bool injectFaults = false;
    QList<Move> history;
    QList<QByteArray> deleted; // contents of the files deleted behind the program's back
    QList<QPair<QByteArray, QByteArray>> changes; // contents before and after a change during a copy

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    QString any(const QStringList &list) { return list.at(pick(0, list.size() - 1)); }

    // A clip of a random kind whose bytes are unique (a trailing free box).
    QByteArray clipBytes(int i)
    {
        fixture::ClipSpec spec;
        spec.duration = 0.2;
        const int kind = pick(0, 4);
        if (kind == 1)
            spec.camera->colorCode = 22;
        else if (kind == 2)
            spec.camera->captureFPS = 120;
        else if (kind == 3)
            spec.camera.reset(); // not a camera clip: never sortable
        const QByteArray tag = "clip number " + QByteArray::number(i) + " " + QByteArray::number(rng());
        const quint32 size = 8 + tag.size();
        return fixture::buildClip(spec) + char(size >> 24) + char(size >> 16) + char(size >> 8) + char(size) + "free" + tag;
    }

    void build()
    {
        const QStringList folders{"A/", "Día 2/", "D-Log/", "x/y/", "A/D-Log - old/", ""};
        const QStringList stems{"DJI_20240131123456_0007_D", "clip_0042", "20230101_DLog_4K30p_0003", "Ünïcode clip"};
        for (int i = 0, count = pick(4, 18); i < count; ++i) {
            const QString base = root + u'/' + any(folders) + any(stems) + (pick(0, 3) ? QString::number(i) : QString());
            if (!writeBytes(base + u'.' + any({"mp4", "MOV"}), clipBytes(i)))
                continue; // that name was taken already
            for (const char *ext : {"LRF", "SRT", "aac"}) {
                if (pick(0, 2) == 0)
                    writeBytes(base + u'.' + ext, QByteArray(ext) + QByteArray::number(i));
            }
        }
    }

    QList<Planned> subset(QList<Planned> items)
    {
        items.removeIf([this](const Planned &) { return pick(0, 1) == 0; });
        return items;
    }

    // One random operation on a fresh scan, sometimes after a clip was deleted behind
    // the program's back.
    void step()
    {
        const QList<Planned> items = scan({root}).items;
        if (items.isEmpty())
            return;
        const QString victim = items.at(pick(0, items.size() - 1)).url;
        const QByteArray bytes = readBytes(victim);
        if (pick(0, 5) == 0 && QFile::remove(victim))
            deleted << bytes;
        injectFaults = pick(0, 2) == 0;
        const int kind = pick(0, 2);
        const QStringList templates{defaultRenameTemplate(), "{name}_x", "clip", "{num}", "", "/", ".hidden"};
        const SortOutcome outcome = kind == 0 ? organize(ScanResult{root, true, items, {}})
            : kind == 1                     ? performRename(renamePlans(subset(items), any(templates)))
                                            : trashClips(subset(items));
        injectFaults = false;
        for (const QString &line : outcome.failed)
            EXPECT_TRUE(line.contains(": ")) << line.toStdString();
        history << outcome.moves;
    }

    int fault(MoveStep step, const QString &from)
    {
        // A quarter of the renames take the copy path; one step in twelve fails outright;
        // two copies in five see their source replaced or appended to just before the original
        // would go.
        const int roll = injectFaults ? std::uniform_int_distribution<int>(0, 99)(faults) : 50;
        if (step == MoveStep::Verify && roll < 40)
            change(from, roll & 1);
        return step == MoveStep::Rename && roll < 25 ? EXDEV : roll >= 92 ? ((roll & 1) ? EIO : ENOSPC) : 0;
    }

    // As an editor or a sync tool would: a new version renamed over the file, or bytes
    // added to it.
    void change(const QString &file, bool replace)
    {
        const QByteArray before = readBytes(file);
        const QByteArray after = before + " changed " + QByteArray::number(changes.size());
        if (replace) {
            EXPECT_TRUE(saveNewVersion(file, after));
        } else {
            QFile f(file);
            EXPECT_TRUE(f.open(QIODevice::Append) && f.write(after.mid(before.size())) > 0);
        }
        changes << qMakePair(before, after);
    }
};

void runSeed(quint32 seed)
{
    SCOPED_TRACE(seed);
    QTemporaryDir home(tempHome() + "/seed-XXXXXX");
    ASSERT_TRUE(home.isValid());
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    Run run(seed, home.path() + "/card");
    run.build();
    QMap<QString, QByteArray> expected = snapshot(run.root);
    setMoveFault([&run](MoveStep step, const QString &from, const QString &) { return run.fault(step, from); });
    for (int i = 0, steps = 1 + int(std::mt19937(seed)() % 5); i < steps; ++i)
        run.step();
    setMoveFault({});
    // Only a file deleted behind our back may fail to come back, and says so.
    for (const QString &line : undo(run.history))
        EXPECT_TRUE(!run.deleted.isEmpty() && line.endsWith(": " + errorText(ENOENT))) << line.toStdString();

    const QMap<QString, QByteArray> after = snapshot(run.root);
    // A file changed while it was copied stayed, and came back with its new contents.
    for (const auto &[old, changed] : std::as_const(run.changes))
        expected[expected.key(old)] = changed;
    for (const QByteArray &gone : std::as_const(run.deleted))
        expected.remove(expected.key(gone));
    // A folder those deletions emptied may go with the emptied destination below it.
    for (const QString &key : expected.keys()) {
        const auto below = [&key](const QString &k) { return k != key && k.startsWith(key); };
        if (key.endsWith(u'/') && !after.contains(key) && std::none_of(expected.keyBegin(), expected.keyEnd(), below))
            expected.remove(key);
    }
    for (const QString &key : expected.keys() + after.keys())
        EXPECT_TRUE(expected.value(key, "missing") == after.value(key, "missing")) << "differs: " << key.toStdString();
    // Nothing left behind in the trash either.
    EXPECT_EQ(tree(homeTrash() + "/files"), QStringList{});
    EXPECT_EQ(tree(homeTrash() + "/info"), QStringList{});
    qputenv("XDG_DATA_HOME", savedData);
}

TEST(Property, NothingIsLostThroughOrganizeRenameTrashAndUndo)
{
    runSeed(20240131);
    runSeed(70); // changes six files while they are copied
    bool ok = false;
    const int seeds = qEnvironmentVariableIntValue("VIDORRA_PROPERTY_SEEDS", &ok);
    for (int seed = 1; ok && seed <= seeds && !HasFailure(); ++seed)
        runSeed(quint32(seed));
}

} // namespace
