#pragma once
// The benchmark's card: sixteen camera-like 4K clips with their proxies, the same clips
// again in a folder without proxies, and one longer D-Log clip for the full-size
// preview. Written once into a folder from the clip writer's footage cache.

#include <CameraFootage.h>

#include <QString>
#include <QStringList>
#include <optional>

namespace vidorra::bench {

inline constexpr int cardTiles = 16;
inline constexpr double cardClipSeconds = 8.0;
inline constexpr double longClipSeconds = 12.0;

struct FootageCard {
    QStringList withProxy;      // each with its .LRF beside it
    QStringList withoutProxy;   // the same clips, no proxies
    QString longClip;           // D-Log, no proxy
};

// The camera's 4K footage everything here is made from.
fixture::Footage benchFootage();

// The card in `root`, reused when a complete one of the same footage is there, else
// written (encoding the footage first when the cache does not hold it yet).
std::optional<FootageCard> makeCard(const QString &root, QString *error);

// Prints what FFmpeg reads back from the card's first clip and its proxy (codec, depth,
// size, bit rate, key frame spacing, duration) and how fast one core decodes each. False
// when the footage is not what the benchmark needs.
bool describeFootage(const FootageCard &card);

} // namespace vidorra::bench
