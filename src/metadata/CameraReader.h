#pragma once
// Reads the camera's own metadata: the first sample of the "djmd" track and the
// QuickTime key list.

#include "ClipInfo.h"

#include <QByteArray>
#include <QMap>
#include <optional>

namespace vidorra {

// The full record, or nothing when the file has no usable metadata track. Never throws.
std::optional<ClipInfo> readClip(const QString &path);
// Every text item of the moov-level key list, by key name.
QMap<QString, QString> readDJIKeys(const QByteArray &moov);

} // namespace vidorra
