#pragma once
// Shared by the widget and start-up tests: a private home for settings and the trash,
// camera clips on disk, clip records, and waiting on conditions.

#include "library/Scan.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace vidorra {
class Model;
}

namespace vidorra::uitest {

// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME at one temporary folder (trash folders
// made), puts a stand-in xdg-open first on PATH and makes the platform offscreen. Call
// before the QApplication exists.
void usePrivateHome();
// What the stand-in xdg-open was asked to open so far, in order; it opens nothing.
QStringList desktopOpened();
// The exit status the stand-in xdg-open gives from now on: 0 opened, 3 no handler found.
void setDesktopOpenStatus(int status);
// A fresh empty folder below the private home.
QString freshFolder();
// No stored preferences, English texts, light appearance.
void resetSettings();

struct ClipKind {
    QString gamma = QStringLiteral("D-Log");   // the camera's gamma text
    qint64 colorCode = 2, bitDepth = 10;
    qint64 width = 3840, height = 2160;
    double captureFPS = 30, playbackFPS = 30;
    double duration = 2.0;
    bool cover = true;                          // an embedded cover picture
    bool realVideo = false;                     // decodable frames at videoWidth x videoHeight
    int videoWidth = 320, videoHeight = 180;
    QStringList companions = {};                // extensions written beside the clip
};
// Writes a camera clip (and its companions); returns its path, empty on failure.
QString writeClip(const QString &folder, const QString &name, const ClipKind &kind = {});
// Writes `count` clips DJI_0001.MP4 ... of `kind`, numbered from `first`.
QStringList writeClips(const QString &folder, int count, const ClipKind &kind = {}, int first = 1);
// Writes a clip and returns its record as a scan reads it.
Planned scannedClip(const QString &folder, const QString &name, const ClipKind &kind = {});

// A clip record as a scan makes it, for a file that need not exist.
Planned planned(const ClipInfo &info, const QString &path = QStringLiteral("/nonexistent/DJI_0001.MP4"),
                qint64 size = 0);
// A D-Log 4K 30p clip record with the given white balance and ISO.
ClipInfo dlogInfo(const QString &kelvin = QStringLiteral("5600"), qint64 iso = 400, double duration = 12.4);

// Runs events until `done` holds; false after `ms` milliseconds.
bool waitUntil(const std::function<bool()> &done, int ms = 20000);
// Loads `paths` into `model` and waits for the scan to end.
bool loadAndWait(Model &model, const QStringList &paths);
// Files below `folder`, relative to it, sorted.
QStringList filesBelow(const QString &folder);
// Mean absolute difference of the RGB channels of two images (0..255); -1 when sizes differ.
double meanDifference(const QImage &a, const QImage &b);

} // namespace vidorra::uitest
