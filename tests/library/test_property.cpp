// Randomized: organize, rename and trash in any order, with failures on the way, then
// undo; every file must be back with its bytes, and organizing's folders gone.
// One fixed seed by default; VIDORRA_PROPERTY_SEEDS=500 runs seeds 1..500 as well.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/Paths.h"
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

class Run {
public:
    Run(quint32 seed, const QString &root) : rng(seed), faults(seed * 7919u + 1), root(root) {}

    void build()
    {
        static const QStringList folders{"A", "B", "Día 2", "D-Log", "x/y", "A/D-Log - old", ""};
        static const QStringList stems{"DJI_20240131123456_0007_D", "DJI_0001", "clip", "clip_0042",
                                       "20230101_DLog_4K30p_0003", "é", "Ünïcode clip"};
        static const QStringList exts{"mp4", "MP4", "mov", "MOV"};
        for (int i = 0, count = pick(4, 18); i < count; ++i) {
            const QString folder = folders.at(pick(0, folders.size() - 1));
            const QString base = root + u'/' + (folder.isEmpty() ? QString() : folder + u'/')
                + stems.at(pick(0, stems.size() - 1)) + (pick(0, 3) ? QString::number(i) : QString());
            const QString clip = base + u'.' + exts.at(pick(0, exts.size() - 1));
            if (QFile::exists(clip))
                continue;
            ASSERT_TRUE(writeBytes(clip, clipBytes(i)));
            for (const char *ext : {"LRF", "SRT", "aac"}) {
                if (pick(0, 2) == 0)
                    writeBytes(base + u'.' + ext, QByteArray(ext) + QByteArray::number(i));
            }
        }
        writeBytes(root + "/notes.txt", "notes");
        writeBytes(root + "/A/.hidden.mp4", "hidden");
    }

    // One random operation on a fresh scan, sometimes with a clip deleted behind the
    // program's back first.
    void step()
    {
        const QList<Planned> items = scan({root}).items;
        if (items.isEmpty())
            return;
        const QString victim = items.at(pick(0, items.size() - 1)).url;
        const QByteArray bytes = readBytes(victim);
        if (pick(0, 5) == 0 && QFile::remove(victim))
            deleted << bytes;
        static const QStringList templates{defaultRenameTemplate(), "{name}", "{name}_x", "clip",
                                           "{num}", "{date}_{iso}", "", "/", ".hidden", "{res}{fps}"};
        injectFaults = pick(0, 2) == 0;
        const int kind = pick(0, 2);
        const SortOutcome outcome = kind == 0 ? organize(ScanResult{root, true, items, {}})
            : kind == 1 ? performRename(renamePlans(subset(items), templates.at(pick(0, templates.size() - 1))))
                        : trashClips(subset(items));
        injectFaults = false;
        log << QStringLiteral("step %1").arg(kind);
        for (const Move &move : outcome.moves)
            log << QStringLiteral("move %1 -> %2%3").arg(move.from, move.to, move.trashed ? " (trash)" : "");
        for (const QString &line : outcome.failed) {
            EXPECT_TRUE(line.contains(": ")) << line.toStdString();
            log << "failed " + line;
        }
        history << outcome.moves;
    }

    void undoAll()
    {
        // Only a file deleted behind our back may fail to come back, and says so.
        for (const QString &line : undo(history))
            EXPECT_TRUE(!deleted.isEmpty() && line.endsWith(": " + errorText(ENOENT))) << line.toStdString();
    }

    int fault(MoveStep step)
    {
        if (!injectFaults)
            return 0;
        const int roll = std::uniform_int_distribution<int>(0, 99)(faults);
        if (step == MoveStep::Rename && roll < 25)
            return EXDEV; // take the copy path
        return roll >= 92 ? ((roll & 1) ? EIO : ENOSPC) : 0;
    }

    QList<QByteArray> deleted; // contents of the files deleted behind the program's back
    QStringList log;           // what happened, for the failure message

private:
    std::mt19937 rng, faults;
    QString root;
    bool injectFaults = false;
    QList<Move> history;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

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
        // A trailing free box makes every file's bytes unique.
        const QByteArray tag = "clip number " + QByteArray::number(i) + " " + QByteArray::number(rng());
        const quint32 size = 8 + tag.size();
        return fixture::buildClip(spec) + char(size >> 24) + char(size >> 16) + char(size >> 8) + char(size) + "free" + tag;
    }

    QList<Planned> subset(QList<Planned> items)
    {
        items.removeIf([this](const Planned &) { return pick(0, 1) == 0; });
        return items;
    }
};

void runSeed(quint32 seed)
{
    SCOPED_TRACE(seed);
    QTemporaryDir home(tempHome() + "/seed-XXXXXX");
    ASSERT_TRUE(home.isValid());
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    const QString root = home.path() + "/card";

    Run run(seed, root);
    run.build();
    QMap<QString, QByteArray> expected = snapshot(root);
    setMoveFault([&run](MoveStep step, const QString &, const QString &) { return run.fault(step); });
    for (int i = 0, steps = 1 + int(std::mt19937(seed)() % 5); i < steps; ++i)
        run.step();
    setMoveFault({});
    run.undoAll();

    for (const QByteArray &gone : std::as_const(run.deleted))
        expected.remove(expected.key(gone));
    const QMap<QString, QByteArray> after = snapshot(root);
    QStringList differences;
    for (const QString &key : expected.keys() + after.keys()) {
        if (expected.value(key, "missing") != after.value(key, "missing"))
            differences << key;
    }
    differences.removeDuplicates();
    EXPECT_TRUE(differences.isEmpty()) << "differ: " << differences.join(u'\n').toStdString() << "\n"
                                       << run.log.join(u'\n').toStdString();
    // Nothing left behind in the trash either.
    EXPECT_EQ(tree(homeTrash() + "/files"), QStringList{});
    EXPECT_EQ(tree(homeTrash() + "/info"), QStringList{});
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
