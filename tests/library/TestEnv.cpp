#include "TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStorageInfo>


namespace vidorra::testing {

QString tempHome() { return qEnvironmentVariable("HOME"); }

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool makeDir(const QString &path) { return QDir().mkpath(path); }

QStringList tree(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        out << QDir(root).relativeFilePath(info.filePath()) + (info.isDir() && !info.isSymLink() ? "/" : "");
    }
    out.sort();
    return out;
}

bool otherFileSystem(const QString &a, const QString &b) { return QStorageInfo(a).rootPath() != QStorageInfo(b).rootPath(); }

Planned planned(const QString &url, const QString &folder, bool sortable)
{
    Planned p;
    p.url = url;
    p.folder = folder;
    p.sortable = sortable;
    return p;
}

} // namespace vidorra::testing

int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vidorra-library-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    // Every per-user location points into the temporary home before any test runs.
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
