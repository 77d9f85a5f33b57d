#pragma once
// The read-only view of one scan: resolution tabs, the clips of the tab in force
// grouped by profile and destination folder, totals and flags over all clips.

#include "library/Scan.h"

#include <QList>
#include <QString>
#include <optional>

namespace vidorra {

struct LibraryTab {
    QString name;
    qint64 count = 0;
};

struct LibrarySection {
    QString folder;
    QList<Planned> items;
};

struct LibraryGroup {
    QString profile;
    QList<LibrarySection> sections;
};

struct Library {
    QList<LibraryTab> tabs;
    std::optional<QString> current;
    QList<Planned> visible;
    QList<LibraryGroup> groups;
    QList<LibrarySection> sections;
    QList<Planned> ordered;
    QList<Planned> sortable;
    QList<Planned> allSortable;
    qint64 bytes = 0;
    double seconds = 0.0;
    bool anyColor = false;
    bool anySortable = false;
    bool anyRecognized = false;
    bool anySorted = false;

    // The empty view: no tabs, no current tab, zero totals, every flag false.
    Library() = default;
    // Builds every field at once; `tab` is the tab the user chose last.
    Library(const QList<Planned> &items, const std::optional<QString> &tab);
};

} // namespace vidorra
