#pragma once
// The cover picture a camera embeds in a clip, decoded. Needs Qt Gui, so it lives here
// rather than beside readCoverData in the metadata library.

#include <QImage>
#include <QString>
#include <optional>

namespace vidorra {

// readCoverData decoded at full size; nothing when there are no bytes or they do not decode.
std::optional<QImage> readCover(const QString &path);
// Encoded picture bytes decoded directly at a reduced size whose largest side is at most
// `maxSide` (never enlarged); nothing when they do not decode.
std::optional<QImage> decodeCover(const QByteArray &bytes, int maxSide);

} // namespace vidorra
