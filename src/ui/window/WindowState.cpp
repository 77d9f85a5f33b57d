#include "ui/window/WindowState.h"

#include "ui/window/StatusText.h"
#include "metadata/Labels.h"
#include "model/Model.h"
#include "text/Language.h"

#include <algorithm>

namespace vidorra {

namespace {
bool playable(const Planned &p)
{
    return p.info.duration > 0 && p.info.width > 0 && p.info.height > 0;
}
} // namespace

QList<Planned> introClips(const Model &model)
{
    QList<Planned> out;
    if (const auto &result = model.result()) {
        for (const Planned &p : result->items)
            if (playable(p))
                out.append(p);
    }
    return out;
}

bool showIntro(const Model &model)
{
    const auto &result = model.result();
    if (!result || model.organized())
        return false;
    const auto shown = std::count_if(result->items.cbegin(), result->items.cend(), playable);
    return shown > 0 && (!model.scanning() || shown >= Model::introMinimum);
}

std::optional<QList<Planned>> openItems(const Model &model)
{
    const auto &folder = model.openFolder();
    if (!folder)
        return std::nullopt;
    for (const LibrarySection &section : model.lib().sections) {
        if (section.folder == *folder)
            return section.items;
    }
    return std::nullopt;
}

QList<Planned> sortableNow(const Model &model)
{
    if (const auto pile = openItems(model)) {
        QList<Planned> out;
        for (const Planned &p : *pile) {
            if (p.sortable)
                out.append(p);
        }
        return out;
    }
    return model.lib().allSortable;
}

PileHeading pileHeading(const Planned &first)
{
    PileHeading h;
    if (!first.info.recognized) {
        h.title = first.label; // "Unknown": the pile of clips that stay where they are
        return h;
    }
    if (isSlowMotion(first.info)) {
        h.title = L("Slow Motion");
        h.detail = fpsLabel(first.info.captureFPS) + QStringLiteral(" → ") + fpsLabel(first.info.playbackFPS)
                   + QStringLiteral("p");
    } else {
        h.title = fpsLabel(first.info.captureFPS) + QStringLiteral("p");
    }
    return h;
}

QString clipCount(qsizetype count)
{
    return Ln("%n clips", count);
}

qint64 totalBytes(const QList<Planned> &items)
{
    qint64 sum = 0;
    for (const Planned &p : items)
        sum += p.size;
    return sum;
}

double totalSeconds(const QList<Planned> &items)
{
    double sum = 0;
    for (const Planned &p : items)
        sum += p.info.duration;
    return sum;
}

QString currentStatusText(const Model &model)
{
    if (const auto pile = openItems(model))
        return statusText(int(pile->size()), totalBytes(*pile), totalSeconds(*pile));
    const Library &lib = model.lib();
    return statusText(int(lib.visible.size()), lib.bytes, lib.seconds);
}

} // namespace vidorra
