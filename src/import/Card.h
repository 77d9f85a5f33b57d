#pragma once
// Camera cards among the mounted volumes: a volume whose DCIM folder holds clips.

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vidorra {

// One mounted volume as the mount table lists it.
struct Volume {
    QString root;   // where it is mounted
    QString name;   // its label, else the last component of root
    QString device; // "/dev/sdb1"; empty for volumes without a block device
    bool operator==(const Volume &) const = default;
};

// A volume holding camera clips under DCIM.
struct Card {
    QString root;
    QString name;
    int clips = 0;   // clip files under DCIM
    qint64 bytes = 0; // their size, companions left out
    bool operator==(const Card &) const = default;
};

// The mounted volumes that can be cards: those backed by a block device (cards in a
// reader, cameras as USB drives, disk images), never the system's root. Network and
// virtual file systems are left out, so a hung server cannot stall the search.
QList<Volume> mountedVolumes();

// The card on `volume`, or none when its DCIM folder holds no clip. Reads folder
// listings only.
std::optional<Card> cardOn(const Volume &volume);

// The cards on the given volumes, in their order.
QList<Card> findCards(const QList<Volume> &volumes);

} // namespace vidorra
