#pragma once
// Shared by the window tests: a private home for settings and the trash, a card of
// fixture clips on disk, and waiting on conditions while events run.

#include <QString>
#include <QStringList>
#include <functional>

namespace vidorra::windowtest {

// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME at one temporary folder (with the trash
// folders made) and makes the platform offscreen. Call before the QApplication exists.
void usePrivateHome();
QString privateHome();
// A fresh empty folder below the private home.
QString freshFolder();
// No stored preferences, English texts, light appearance.
void resetSettings();

struct ClipKind {
    QString gamma = QStringLiteral("D-Log");  // the camera's gamma text
    qint64 colorCode = 2;
    qint64 width = 3840, height = 2160;
    double captureFPS = 30, playbackFPS = 30;
    double duration = 2.0;
    bool cover = true;        // an embedded cover picture
    bool realVideo = false;   // decodable frames at 160 x 90
};
// Writes a camera clip; returns its path (empty on failure).
QString writeClip(const QString &folder, const QString &name, const ClipKind &kind = {});
// Writes `count` clips DJI_0001.MP4 ... of `kind`, numbered from `first`.
QStringList writeClips(const QString &folder, int count, const ClipKind &kind = {}, int first = 1);

// Runs events until `done` holds; false after `ms` milliseconds.
bool waitUntil(const std::function<bool()> &done, int ms = 20000);

// Files below `folder`, relative to it, sorted (hidden entries and the trash excluded).
QStringList filesBelow(const QString &folder);

} // namespace vidorra::windowtest
