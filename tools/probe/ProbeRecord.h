#pragma once
// One probed clip as a JSON object, read the way a folder scan reads it.

#include <QJsonObject>
#include <QStringList>

namespace vidorra {

// readClip first; readBasic when that yields nothing, an unsupported camera or no
// playback rate. The object holds the path, every record field, the reader used
// ("source") and the labels.
QJsonObject probeClip(const QString &path);

// The clip files named by the arguments: files as given, folders searched
// recursively (hidden entries and symbolic links skipped) for clip extensions,
// each folder's finds sorted by path. Arguments that do not exist go to `missing`.
QStringList probeTargets(const QStringList &arguments, QStringList &missing);

} // namespace vidorra
