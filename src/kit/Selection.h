#pragma once
// Selection by click, Shift-click and Ctrl-click over the visible clips in display order.

#include <QList>
#include <QSet>
#include <QUuid>
#include <Qt>
#include <optional>

namespace vidorra {

struct SelectionState {
    QSet<QUuid> selection;
    std::optional<QUuid> anchor;  // fixed end of a Shift-click range
};

// The selection after clicking `id` with `modifiers`, given the visible clips in order.
// Ctrl toggles the clip and moves the anchor to it (Ctrl+Shift acts as Ctrl). Shift with an
// anchor selects the range between anchor and clip, both ends included, keeping the anchor;
// when either is not visible it falls back to a plain click. A plain click selects just
// the clip and anchors there.
SelectionState clickSelection(const SelectionState &state, const QUuid &id,
                              const QList<QUuid> &ordered, Qt::KeyboardModifiers modifiers);

} // namespace vidorra
