#pragma once
// How the preview decoders read one clip, as a JSON object: which file the tiles, hover
// scrubbing and thumbnails read (the clip's .LRF proxy or the clip, and why not the
// proxy), and for that file and the clip itself the codec, the picture size and whether
// the graphics hardware or software decodes it (and why not the hardware).

#include <QJsonObject>
#include <QString>

namespace vidorra {

QJsonObject decodeReport(const QString &clip);

} // namespace vidorra
