#pragma once
// Shared by the library and rename tests: XDG_DATA_HOME, XDG_CONFIG_HOME and HOME point
// into one temporary home (set by the main in TestEnv.cpp), and every test works in a
// fresh temporary folder of its own.

#include "library/Organize.h"
#include "library/SafeMove.h"
#include "library/Scan.h"

#include <QDir>
#include <QDirIterator>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <gtest/gtest.h>

namespace vidorra::testing {

inline QString tempHome() { return qEnvironmentVariable("HOME"); }
inline bool makeDir(const QString &path) { return QDir().mkpath(path); }

inline bool writeBytes(const QString &path, const QByteArray &bytes) // never replaces
{
    makeDir(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.write(bytes) == bytes.size();
}

// As editors and sync tools save: a new version written beside the file, renamed over it.
inline bool saveNewVersion(const QString &path, const QByteArray &bytes)
{
    const QString edit = path + QStringLiteral(".edit");
    return writeBytes(edit, bytes) && std::rename(QFile::encodeName(edit), QFile::encodeName(path)) == 0;
}

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry below `root` (relative paths, sorted), folders with a trailing "/".
inline QStringList tree(const QString &root)
{
    QStringList out;
    for (QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo info(it.next());
        out << QDir(root).relativeFilePath(info.filePath()) + (info.isDir() && !info.isSymLink() ? "/" : "");
    }
    out.sort();
    return out;
}

inline bool otherFileSystem(QString a, QString b) { return QStorageInfo(a).rootPath() != QStorageInfo(b).rootPath(); }

// Every move from now on copies, as across file systems.
inline void copyEveryMove()
{
    setMoveFault([](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename ? EXDEV : 0; });
}

// A scanned record made by hand, destined for `folder`.
inline Planned planned(const QString &url, const QString &folder = QStringLiteral("D-Log/4K 30p"), bool sortable = true)
{
    Planned p;
    p.url = url;
    p.folder = folder;
    p.sortable = sortable;
    return p;
}

class FileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setMoveFault({});
        setMoveWatch({});
    }
    QTemporaryDir dir{tempHome() + QStringLiteral("/work-XXXXXX")};
    QString path(const QString &relative) const { return dir.path() + u'/' + relative; }
    // Writes a file whose bytes name it, so a mix-up is visible in a comparison.
    QString file(const QString &relative)
    {
        EXPECT_TRUE(writeBytes(path(relative), relative.toUtf8()));
        return path(relative);
    }
    void files(const QStringList &relatives)
    {
        for (const QString &relative : relatives)
            file(relative);
    }
};

} // namespace vidorra::testing
