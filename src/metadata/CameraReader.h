#pragma once
// Reads the camera's own metadata: the first sample of the "djmd" track and the
// QuickTime key list.

#include "metadata/ClipInfo.h"

#include <QByteArray>
#include <QMap>
#include <optional>

namespace vidorra {

class PositionedReader;

// The full record, or nothing when the file has no usable metadata track. Never throws.
std::optional<ClipInfo> readClip(const QString &path);
// The same through any positioned reader (a counted file, a buffer in memory).
std::optional<ClipInfo> readClip(PositionedReader &in);
// Every text item of the moov-level key list, by key name.
QMap<QString, QString> readDJIKeys(const QByteArray &moov);

} // namespace vidorra
