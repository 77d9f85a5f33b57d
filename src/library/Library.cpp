#include "library/Library.h"

#include "library/NameOrder.h"
#include "metadata/Labels.h"
#include "text/Language.h"

#include <QHash>

#include <algorithm>

namespace vidorra {

namespace {

QString key(const QString &text) { return text.normalized(QString::NormalizationForm_C); }

// Buckets keyed by the canonical form of a text, each keeping the order of its items
// and the first spelling seen.
struct Buckets {
    QHash<QString, qsizetype> index;
    QList<std::pair<QString, QList<Planned>>> list;

    void add(const QString &text, const Planned &item)
    {
        const QString k = key(text);
        auto it = index.find(k);
        if (it == index.end()) {
            it = index.insert(k, list.size());
            list.append({text, {}});
        }
        list[*it].second << item;
    }
};

} // namespace

Library::Library(const QList<Planned> &items, const std::optional<QString> &tab)
{
    const QString unknown = L("Unknown");

    struct Count {
        QString name;
        qint64 count = 0;
        qint64 rank = 0;
    };
    QHash<QString, qsizetype> tabIndex;
    QList<Count> counts;
    for (const Planned &item : items) {
        const QString k = key(item.resolution);
        auto it = tabIndex.find(k);
        if (it == tabIndex.end()) {
            it = tabIndex.insert(k, counts.size());
            counts.append({item.resolution, 0, 0});
        }
        Count &count = counts[*it];
        count.count += 1;
        count.rank = item.info.recognized ? shortSide(item.info) : -1;
        if (item.sortable) {
            anySortable = true;
            allSortable << item;
        }
        if (item.info.recognized) {
            anyRecognized = true;
            if (!item.sortable)
                anySorted = true;
        }
        if (!anyColor && takesColor(item.info))
            anyColor = true;
    }

    // Larger short sides first; equal ranks by ascending name.
    std::stable_sort(counts.begin(), counts.end(), [](const Count &a, const Count &b) {
        if (a.rank != b.rank)
            return a.rank > b.rank;
        return compareNames(a.name, b.name) < 0;
    });
    for (const Count &count : std::as_const(counts))
        tabs << LibraryTab{count.name, count.count};

    if (tab) {
        const QString chosen = key(*tab);
        for (const LibraryTab &entry : std::as_const(tabs)) {
            if (key(entry.name) == chosen)
                current = entry.name;
        }
    }
    if (!current && !tabs.isEmpty())
        current = tabs.first().name;
    if (!current)
        return;

    const QString currentKey = key(*current);
    Buckets profiles;
    for (const Planned &item : items) {
        if (key(item.resolution) != currentKey)
            continue;
        visible << item;
        bytes += item.size;
        seconds += item.info.duration;
        if (item.sortable)
            sortable << item;
        profiles.add(item.profile, item);
    }

    const QString unknownKey = key(unknown);
    std::stable_sort(profiles.list.begin(), profiles.list.end(), [&](const auto &a, const auto &b) {
        const bool aUnknown = key(a.first) == unknownKey;
        const bool bUnknown = key(b.first) == unknownKey;
        if (aUnknown != bUnknown)
            return bUnknown;
        return compareNames(a.first, b.first) < 0;
    });
    for (const auto &[profile, members] : std::as_const(profiles.list)) {
        Buckets folders;
        for (const Planned &item : members)
            folders.add(item.folder, item);
        std::stable_sort(folders.list.begin(), folders.list.end(),
                         [](const auto &a, const auto &b) { return compareNames(a.first, b.first) < 0; });
        LibraryGroup group{profile, {}};
        for (const auto &[folder, sectionItems] : std::as_const(folders.list))
            group.sections << LibrarySection{folder, sectionItems};
        groups << group;
    }
    for (const LibraryGroup &group : std::as_const(groups)) {
        for (const LibrarySection &section : group.sections) {
            sections << section;
            ordered << section.items;
        }
    }
}

} // namespace vidorra
