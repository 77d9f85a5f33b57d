// The checksum file: its lines as xxhsum writes them, reading it back, and checking a
// folder against it after the files were sorted, renamed or damaged.
#include "ImportTestEnv.h"

#include <QProcess>

namespace vidorra::testing {
namespace {

Digest digestOf(const QByteArray &bytes)
{
    Hasher h;
    h.add(bytes.constData(), std::size_t(bytes.size()));
    return h.digest();
}

TEST(ManifestLines, MatchTheToolsFormatAndReadBack)
{
    // XXH3-128 of "abc" as `echo -n abc | xxhsum -H2` prints it.
    const Digest abc = digestOf("abc");
    EXPECT_EQ(abc.hex(), "06b05ab6733a618578af5f94892f3950");
    EXPECT_EQ(manifestLine({"DCIM/100MEDIA/a b.MP4", abc}),
              "06b05ab6733a618578af5f94892f3950  DCIM/100MEDIA/a b.MP4\n");
    // A line feed in a name is escaped; a backslash alone is not, as xxhsum 0.8.1 writes it.
    EXPECT_EQ(manifestLine({"new\nline\\x.MP4", abc}), "\\06b05ab6733a618578af5f94892f3950  new\\nline\\\\x.MP4\n");
    EXPECT_EQ(manifestLine({"back\\slash.MP4", abc}), "06b05ab6733a618578af5f94892f3950  back\\slash.MP4\n");
    EXPECT_EQ(Digest::fromHex(u"06B05AB6733A618578AF5F94892F3950"), abc);
    EXPECT_FALSE(Digest::fromHex(u"06b05ab6733a618578af5f94892f395g"));
}

class Manifests : public FileTest {
protected:
    QString folder() const { return path(QStringLiteral("import")); }
    void list(const QList<QPair<QString, QByteArray>> &files)
    {
        ManifestWriter writer(folder());
        for (const auto &[name, bytes] : files) {
            ASSERT_TRUE(writeBytes(folder() + u'/' + name, bytes));
            ASSERT_EQ(writer.append({name, digestOf(bytes)}), 0);
        }
    }
};

TEST_F(Manifests, ReadingKeepsEveryNameAndRefusesPathsOutsideTheFolder)
{
    list({{"a b.MP4", "one"}, {"new\nline.MP4", "two"}, {"x\\y.MP4", "three"}});
    QFile f(folder() + QStringLiteral("/checksums.xxh128"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\n06b05ab6733a618578af5f94892f3950  ../outside.MP4\n"
            "06b05ab6733a618578af5f94892f3950  /etc/passwd\nnot a line\n");
    f.close();
    const ManifestRead read = readManifest(f.fileName());
    EXPECT_TRUE(read.found);
    ASSERT_EQ(read.entries.size(), 3);
    EXPECT_EQ(read.entries[1].path, "new\nline.MP4");
    EXPECT_EQ(read.entries[2].path, "x\\y.MP4");
    EXPECT_EQ(read.badLines, (QStringList{"line 5", "line 6", "line 7"}));
    EXPECT_FALSE(readManifest(path(QStringLiteral("none"))).found);
}

TEST_F(Manifests, AFolderVerifiesUntilOneByteChanges)
{
    list({{"DCIM/100MEDIA/A.MP4", noise(100000, 1)}, {"DCIM/100MEDIA/A.LRF", noise(5000, 2)}});
    VerifyReport report = verifyFolder(folder());
    EXPECT_TRUE(report.manifestFound);
    EXPECT_EQ(report.listed, 2);
    EXPECT_EQ(report.good, 2);
    EXPECT_TRUE(report.problems.isEmpty());

    QByteArray bytes = readBytes(folder() + QStringLiteral("/DCIM/100MEDIA/A.MP4"));
    bytes[77777] = char(bytes[77777] ^ 1);
    QFile f(folder() + QStringLiteral("/DCIM/100MEDIA/A.MP4"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    report = verifyFolder(folder());
    EXPECT_EQ(report.good, 1);
    EXPECT_EQ(report.problems, QStringList{"DCIM/100MEDIA/A.MP4: does not match its checksum"});
}

TEST_F(Manifests, SortedAndRenamedFilesAreFoundMissingOnesAreNamed)
{
    list({{"DCIM/A.MP4", "clip a"}, {"DCIM/B.MP4", "clip b"}, {"DCIM/C.MP4", "clip c"}});
    ASSERT_TRUE(makeDir(folder() + QStringLiteral("/DCIM/D-Log/4K 30p")));
    ASSERT_TRUE(QFile::rename(folder() + QStringLiteral("/DCIM/A.MP4"), folder() + QStringLiteral("/DCIM/D-Log/4K 30p/A.MP4")));
    ASSERT_TRUE(QFile::rename(folder() + QStringLiteral("/DCIM/B.MP4"), folder() + QStringLiteral("/DCIM/20240131_DLog.MP4")));
    ASSERT_TRUE(QFile::remove(folder() + QStringLiteral("/DCIM/C.MP4")));
    const VerifyReport report = verifyFolder(folder());
    EXPECT_EQ(report.good, 2);
    EXPECT_EQ(report.problems, QStringList{"DCIM/C.MP4: missing"});
}

TEST_F(Manifests, TheProbeChecksAFolder)
{
#ifndef VIDORRA_PROBE
    GTEST_SKIP() << "built without the probe";
#else
    list({{"A.MP4", "clip a"}});
    QProcess probe;
    probe.start(QStringLiteral(VIDORRA_PROBE), {"--verify", folder()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAll().toStdString();
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), "1 file verified");

    ASSERT_TRUE(QFile::remove(folder() + QStringLiteral("/A.MP4")));
    probe.start(QStringLiteral(VIDORRA_PROBE), {"--verify", folder()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), "A.MP4: missing");

    probe.start(QStringLiteral(VIDORRA_PROBE), {"--verify", path(QStringLiteral("nowhere"))});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 2);
#endif
}

} // namespace
} // namespace vidorra::testing
