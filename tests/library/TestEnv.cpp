#include "TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace vidorra::testing {

namespace {
QString &homeSlot()
{
    static QString home;
    return home;
}
} // namespace

QString tempHome() { return homeSlot(); }

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
    const QDir base(root);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        out << base.relativeFilePath(info.filePath()) + (info.isDir() && !info.isSymLink() ? QStringLiteral("/") : QString());
    }
    out.sort();
    return out;
}

Planned planned(const QString &url, const QString &folder, bool sortable)
{
    Planned p;
    p.url = url;
    p.folder = folder;
    p.sortable = sortable;
    p.profile = folder.section(u'/', 0, 0);
    p.resolution = QStringLiteral("4K");
    return p;
}

} // namespace vidorra::testing

// Points every per-user location at a temporary folder before any test runs.
int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vidorra-library-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    vidorra::testing::homeSlot() = home.path();
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    QDir().mkpath(home.path() + QStringLiteral("/data"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
