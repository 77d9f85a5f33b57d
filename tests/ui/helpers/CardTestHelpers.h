#pragma once
// Shared by the card and control tests: a private home, clips in memory and on disk,
// and pictures of widgets in either appearance.

#include "Palette.h"

#include "library/Scan.h"

#include <QImage>
#include <QString>

class QWidget;

namespace vidorra::cardtest {

// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME at one temporary folder and makes the
// platform offscreen. Call from main() before the QApplication exists.
void usePrivateHome();
// A fresh empty folder below the private home.
QString freshFolder();

// A clip record as a scan makes it, for a file that need not exist.
Planned planned(const ClipInfo &info, const QString &path = QStringLiteral("/nonexistent/DJI_0001.MP4"),
                qint64 size = 0);
// A D-Log 4K 30p clip record with the given white balance and ISO.
ClipInfo dlogInfo(const QString &kelvin = QStringLiteral("5600"), qint64 iso = 400, double duration = 12.4);

// Writes a camera clip with an embedded cover; `realVideo` adds decodable frames.
// Returns its record as a scan reads it.
Planned clipOnDisk(const QString &folder, const QString &name, bool realVideo = false, double duration = 2.0);

// Gives the widget (and its children) the light or dark palette.
void paint(QWidget *widget, Scheme scheme);
// Renders the widget offscreen and saves it as <build>/view-shots/<name>.png.
QImage shoot(QWidget *widget, const QString &name);

} // namespace vidorra::cardtest
