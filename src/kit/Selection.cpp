#include "kit/Selection.h"

#include <algorithm>

namespace vidorra {

SelectionState clickSelection(const SelectionState &state, const QUuid &id,
                              const QList<QUuid> &ordered, Qt::KeyboardModifiers modifiers)
{
    SelectionState next = state;
    if (modifiers & Qt::ControlModifier) {
        if (!next.selection.remove(id))
            next.selection.insert(id);
        next.anchor = id;
        return next;
    }
    if ((modifiers & Qt::ShiftModifier) && state.anchor) {
        const qsizetype a = ordered.indexOf(*state.anchor);
        const qsizetype b = ordered.indexOf(id);
        if (a >= 0 && b >= 0) {
            next.selection.clear();
            for (qsizetype i = std::min(a, b); i <= std::max(a, b); ++i)
                next.selection.insert(ordered[i]);
            return next;
        }
    }
    next.selection = {id};
    next.anchor = id;
    return next;
}

} // namespace vidorra
