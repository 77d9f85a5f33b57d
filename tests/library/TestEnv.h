#pragma once
// Shared by the library and rename tests: XDG_DATA_HOME, XDG_CONFIG_HOME and HOME point
// into one temporary home (set by the main in TestEnv.cpp), and every test works in a
// fresh temporary folder of its own.

#include "library/Organize.h"
#include "library/SafeMove.h"
#include "library/Scan.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vidorra::testing {

QString tempHome(); // what the main points HOME and the XDG folders at
bool writeBytes(const QString &path, const QByteArray &bytes); // never replaces
QByteArray readBytes(const QString &path);
bool makeDir(const QString &path);
// Every entry below `root` (relative paths, sorted), folders with a trailing "/".
QStringList tree(const QString &root);
// Whether the two paths lie on different file systems.
bool otherFileSystem(const QString &a, const QString &b);

// A scanned record made by hand: recognized, sortable, destined for `folder`.
Planned planned(const QString &url, const QString &folder = QStringLiteral("D-Log/4K 30p"),
                bool sortable = true);

class FileTest : public ::testing::Test {
protected:
    void TearDown() override { setMoveFault({}); }
    QTemporaryDir dir{tempHome() + QStringLiteral("/work-XXXXXX")};
    QString path(const QString &relative) const { return dir.path() + u'/' + relative; }
    // Writes a file whose bytes name it, so a mix-up is visible in a comparison.
    QString file(const QString &relative)
    {
        const QString p = path(relative);
        EXPECT_TRUE(writeBytes(p, relative.toUtf8()));
        return p;
    }
    void files(const QStringList &relatives)
    {
        for (const QString &relative : relatives)
            file(relative);
    }
};

} // namespace vidorra::testing
