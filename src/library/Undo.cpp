#include "Undo.h"

#include "Paths.h"
#include "SafeMove.h"
#include "Trash.h"
#include "metadata/ClipInfo.h"
#include "text/Language.h"

#include <QFile>
#include <QSet>

#include <dirent.h>
#include <unistd.h>

namespace vidorra {

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

// Removes the folder when nothing but ".DS_Store" is in it. A folder that cannot be
// listed counts as not empty.
bool removeIfEmpty(const QString &folder)
{
    DIR *dir = ::opendir(native(folder).constData());
    if (!dir)
        return false;
    bool empty = true;
    bool dsStore = false;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (!qstrcmp(name, ".") || !qstrcmp(name, ".."))
            continue;
        if (!qstrcmp(name, ".DS_Store")) {
            dsStore = true;
            continue;
        }
        empty = false;
        break;
    }
    ::closedir(dir);
    if (!empty)
        return false;
    if (dsStore)
        ::unlink(native(folder + QStringLiteral("/.DS_Store")).constData());
    return ::rmdir(native(folder).constData()) == 0;
}

} // namespace

SortOutcome trashClips(const QList<Planned> &items)
{
    SortOutcome outcome;
    for (const Planned &item : items) {
        const QString clip = standardized(item.url);
        const QString name = fileName(clip);
        const TrashResult trashed = moveToTrash(clip);
        if (trashed.error) {
            outcome.failed << name + QStringLiteral(": ") + *trashed.error;
            continue;
        }
        if (trashed.location)
            outcome.moves << Move{clip, *trashed.location, true};
        for (const QString &ext : sidecarExts()) {
            const QString companion = withExtension(clip, ext);
            if (!existsAt(companion))
                continue;
            const TrashResult result = moveToTrash(companion);
            if (result.error) {
                outcome.failed << name + QStringLiteral(": ") + *result.error;
                break;
            }
            if (result.location)
                outcome.moves << Move{companion, *result.location, true};
        }
    }
    return outcome;
}

QStringList undo(const QList<Move> &moves)
{
    QStringList failed;
    for (auto it = moves.crbegin(); it != moves.crend(); ++it) {
        const Move &move = *it;
        if (existsAt(move.from)) {
            failed << L("%@: already exists at origin", {fileName(move.from)});
            continue;
        }
        const std::optional<QString> info = move.trashed ? trashInfoFor(move.to) : std::nullopt;
        if (const auto failure = moveFile(move.to, move.from)) {
            failed << fileName(move.to) + QStringLiteral(": ") + *failure;
            continue;
        }
        if (info)
            ::unlink(native(*info).constData());
    }

    // Where each file was before the whole history: the first `from` of every chain of
    // moves, trashed ones included. Those folders held the user's files and are never
    // removed, even when they are empty now (a renamed clip that vanished since).
    QSet<QString> firstHomes;
    QSet<QString> movedTo;
    QSet<QString> origins;
    QSet<QString> destinations;
    for (const Move &move : moves) {
        const QString from = standardized(move.from);
        if (!movedTo.contains(from))
            firstHomes.insert(parentPath(from));
        movedTo.insert(standardized(move.to));
        if (move.trashed)
            continue;
        origins.insert(parentPath(from));
        destinations.insert(parentPath(move.to));
    }
    origins.unite(firstHomes);
    for (const QString &folder : std::as_const(destinations)) {
        if (firstHomes.contains(folder) || !removeIfEmpty(folder))
            continue;
        const QString parent = parentPath(folder);
        if (!origins.contains(parent))
            removeIfEmpty(parent);
    }
    return failed;
}

} // namespace vidorra
