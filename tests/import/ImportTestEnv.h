#pragma once
// Cards in temporary folders, imports of them, and small file systems mounted for a
// test where the machine allows it (the test is skipped where it does not).

#include "TestEnv.h"
#include "../metadata/Printers.h"

#include "import/Importer.h"
#include "library/Paths.h"
#include "import/Manifest.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <sys/mount.h>

namespace vidorra::testing {

// Bytes that differ from file to file and from block to block.
inline QByteArray noise(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

inline QString sha(const QString &path)
{
    const std::optional<Digest> d = hashFile(path);
    return d ? d->hex() : QString();
}

// Hidden entries below `root`: partial copies must never be left behind.
inline QStringList hiddenEntries(const QString &root)
{
    QStringList out;
    for (const QString &entry : tree(root)) {
        if (entry.startsWith(u'.') || entry.contains(QStringLiteral("/.")))
            out << entry;
    }
    return out;
}

// A small file system mounted for one test, unmounted at the end.
class TestMount {
public:
    // tmpfs of `kilobytes`; false when mounting is refused here.
    bool tmpfs(const QString &at, int kilobytes)
    {
        QDir().mkpath(at);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, options.constData()) != 0)
            return false;
        point = at;
        return true;
    }
    // `folder` seen again at `at`, as a whole: its contents appear with the mount.
    bool bind(const QString &folder, const QString &at)
    {
        QDir().mkpath(at);
        if (::mount(QFile::encodeName(folder).constData(), QFile::encodeName(at).constData(), nullptr, MS_BIND,
                    nullptr) != 0)
            return false;
        point = at;
        return true;
    }
    void unmount()
    {
        if (!point.isEmpty())
            ::umount2(QFile::encodeName(point).constData(), MNT_DETACH);
        point.clear();
    }
    // exFAT in an image file through a loop device and FUSE, as a card in a reader
    // looks; false when any tool is missing or mounting is refused.
    bool exfat(const QString &image, const QString &at, int megabytes)
    {
        for (const char *tool : {"mkfs.exfat", "losetup", "mount.exfat-fuse"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()
                && QStandardPaths::findExecutable(QString::fromLatin1(tool), {"/usr/sbin", "/sbin"}).isEmpty())
                return false;
        }
        QFile f(image);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64(megabytes) << 20))
            return false;
        f.close();
        if (!run("mkfs.exfat", {image}))
            return false;
        QProcess attach;
        attach.start(QStringLiteral("losetup"), {"-f", "--show", image});
        if (!attach.waitForFinished(30000) || attach.exitCode() != 0)
            return false;
        loop = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
        QDir().mkpath(at);
        if (!run("mount.exfat-fuse", {loop, at}))
            return false;
        point = at;
        return true;
    }
    ~TestMount()
    {
        unmount();
        if (!loop.isEmpty())
            run("losetup", {"-d", loop});
    }

private:
    static bool run(const char *program, const QStringList &args)
    {
        QProcess p;
        p.start(QString::fromLatin1(program), args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QString point;
    QString loop;
};

class ImportTest : public FileTest {
protected:
    void TearDown() override
    {
        setImportFault({});
        FileTest::TearDown();
    }

    QString card() const { return path(QStringLiteral("card")); }
    QString library() const { return path(QStringLiteral("library")); }

    // A clip of `size` random bytes on the card, under DCIM/100MEDIA.
    QString clip(const QString &name, qint64 size, quint32 seed)
    {
        const QString at = card() + QStringLiteral("/DCIM/100MEDIA/") + name;
        EXPECT_TRUE(writeBytes(at, noise(size, seed)));
        return at;
    }

    ImportPlan plan(const QString &name = QStringLiteral("2024-01-31 Pocket"))
    {
        return planImport(Card{card(), QStringLiteral("CARD")}, library(), name);
    }

    ImportOutcome import(const ImportPlan &p, std::stop_token stop = {})
    {
        return runImport(p, std::move(stop));
    }
    ImportOutcome import() { return import(plan()); }

    QString imported(const QString &relative) const
    {
        return library() + QStringLiteral("/2024-01-31 Pocket/") + relative;
    }
};

} // namespace vidorra::testing
