#pragma once
// The plain record of one clip's metadata and the fixed vocabulary around it.

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace vidorra {

// Everything known about one clip file. Absent values are empty texts or 0;
// `recognized` is false only for the basic record built from the tracks alone.
// Designated initializers give the labelled form: ClipInfo{.model = "...", .iso = 400}.
struct ClipInfo {
    QString model{};
    double captureFPS = 0.0;
    double playbackFPS = 0.0;
    qint64 bitDepth = 0;
    qint64 colorCode = 0;
    qint64 iso = 0;
    qint64 width = 0;
    qint64 height = 0;
    QString gammaText{};
    QString lens{};
    QString kelvin{};
    double duration = 0.0;
    QString proto{};
    bool recognized = true;

    bool operator==(const ClipInfo &) const = default;
};

} // namespace vidorra

// Qt's strings and plain values only: relocatable by memcpy.
Q_DECLARE_TYPEINFO(vidorra::ClipInfo, Q_RELOCATABLE_TYPE);

namespace vidorra {

// Colour code -> profile display name (2 -> "D-Log", 22 -> "D-Log 2").
const QMap<qint64, QString> &profileNames();
// Lower-cased gamma text -> profile display name.
const QMap<QString, QString> &profileNamesByText();
// Clip extensions, lower case: "mp4", "mov".
const QSet<QString> &videoExts();
// Companion extensions in the order they are tried, each used unchanged.
const QStringList &sidecarExts();

// Whether the record comes from a camera whose metadata we understand.
bool isSupportedPocket(const ClipInfo &info);

} // namespace vidorra
