#pragma once
// Shared by the panel and rename sheet tests: a private home for settings and the trash,
// fixture clips on disk, a model loaded with them, and pictures of the panels.

#include "library/Scan.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

class QWidget;

namespace vidorra {
class Model;
}

namespace vidorra::paneltest {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and HOME at one temporary folder and makes the
// platform offscreen. Call from main() before the QApplication exists.
void usePrivateHome();
QString privateHome();

// Starts every test with no stored preferences, English texts and the light appearance.
void resetSettings();

struct ClipOptions {
    QString profile = QStringLiteral("D-Log");   // the camera's gamma text
    qint64 colorCode = 2;
    qint64 bitDepth = 10;
    double captureFPS = 30, playbackFPS = 30;
    qint64 width = 3840, height = 2160;
    bool realVideo = false;                       // real frames, at videoWidth x videoHeight
    int videoWidth = 160, videoHeight = 90;
    double duration = 2.0;
    QStringList companions;                       // extensions written beside the clip
};

// Writes a DJI clip (and its companions) at `folder`/`name`; returns the clip's path.
QString writeClip(const QString &folder, const QString &name, const ClipOptions &options = {});

// Waits for `done`, processing events; false after `ms` milliseconds.
bool waitUntil(const std::function<bool()> &done, int ms = 20000);

// Loads `paths` into `model` and waits for the scan to end.
bool loadAndWait(Model &model, const QStringList &paths);

// Renders `widget` (shown offscreen) to `<build>/panel-shots/<name>.png` and returns it.
QImage shoot(QWidget *widget, const QString &name);

// Mean absolute difference of the RGB channels of two images of one size (0..255);
// -1 when the sizes differ.
double meanDifference(const QImage &a, const QImage &b);

// A fresh folder per test below the private home.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { resetSettings(); }
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>(privateHome() + QStringLiteral("/work-XXXXXX"));
    QString path(const QString &relative = {}) const
    {
        return relative.isEmpty() ? dir->path() : dir->path() + u'/' + relative;
    }
};

} // namespace vidorra::paneltest
