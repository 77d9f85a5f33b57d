#pragma once
// Shared by the library and rename tests: every test runs with XDG_DATA_HOME,
// XDG_CONFIG_HOME and HOME inside one temporary folder (set up by TestMain.cpp), and
// works in a fresh temporary folder of its own.

#include "library/Organize.h"
#include "library/Scan.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vidorra::testing {

// The temporary home that the test main points XDG_DATA_HOME and HOME at.
QString tempHome();

bool writeBytes(const QString &path, const QByteArray &bytes);
QByteArray readBytes(const QString &path);
bool makeDir(const QString &path);
// Every entry below `root` (relative paths, sorted), folders with a trailing "/".
QStringList tree(const QString &root);

// A scanned record made by hand: recognized, sortable, destined for `folder`.
Planned planned(const QString &url, const QString &folder = QStringLiteral("D-Log/4K 30p"),
                bool sortable = true);

// A fresh temporary working folder per test.
class FileTest : public ::testing::Test {
protected:
    QTemporaryDir dir{tempHome() + QStringLiteral("/work-XXXXXX")};
    QString path(const QString &relative) const { return dir.path() + u'/' + relative; }
    // Writes a file whose bytes name it, so a mix-up is visible in a comparison.
    QString file(const QString &relative)
    {
        const QString p = path(relative);
        EXPECT_TRUE(writeBytes(p, relative.toUtf8()));
        return p;
    }
};

} // namespace vidorra::testing
