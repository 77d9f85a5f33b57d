#include "library/Undo.h"

#include "library/Paths.h"
#include "library/SafeMove.h"
#include "library/Trash.h"
#include "metadata/ClipInfo.h"
#include "text/Language.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace vidorra {

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

// Removes the folder when nothing but ".DS_Store" is in it. A folder that cannot be
// listed, or that is a link, counts as not empty.
bool removeIfEmpty(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
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
    // Through the folder that was listed, whatever its path may lead to by now.
    if (empty && dsStore)
        ::unlinkat(fd, ".DS_Store", 0);
    ::closedir(dir);
    return empty && ::rmdir(native(folder).constData()) == 0;
}

QString realPath(const QString &path)
{
    char *resolved = ::realpath(native(path).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString out = QFile::decodeName(resolved);
    ::free(resolved);
    return out;
}

// Whether `folder` lies strictly inside `base`.
bool inside(const QString &folder, const QString &base)
{
    return folder.size() > base.size() && folder.startsWith(base)
        && (base == u"/" || folder.at(base.size()) == u'/');
}

// Whether `folder`, inside `base`, is reached from it through real folders only: a link
// on the way could lead the clean-up out of the folders the moves made.
bool reachedWithoutLinks(const QString &folder, const QString &base)
{
    const QString realBase = realPath(base);
    const QString realFolder = realPath(folder);
    const QString below = folder.mid(base == u"/" ? 0 : base.size());
    return !realBase.isEmpty() && realFolder == (realBase == u"/" ? QString() : realBase) + below;
}

// Removes the folders organizing made between a file's old folder and its destination
// when the put-back left them empty: the destination and its parent, never a folder
// files came from, and never anything outside that stretch or through a link.
void cleanUp(const QList<Move> &moves)
{
    // Where each file was before the whole history: the first `from` of every chain of
    // moves, trashed ones included. Those folders held the user's files and are never
    // removed, even when they are empty now (a renamed clip that vanished since).
    QSet<QString> firstHomes;
    QSet<QString> movedTo;
    QSet<QString> origins;
    QHash<QString, QString> destinations; // destination folder -> the folder it was made in
    for (const Move &move : moves) {
        const QString from = standardized(move.from);
        if (!movedTo.contains(from))
            firstHomes.insert(parentPath(from));
        movedTo.insert(standardized(move.to));
        if (move.trashed)
            continue;
        const QString origin = parentPath(from);
        const QString destination = parentPath(move.to);
        origins.insert(origin);
        if (inside(destination, origin) && !destinations.contains(destination))
            destinations.insert(destination, origin);
    }
    origins.unite(firstHomes);
    for (auto it = destinations.cbegin(); it != destinations.cend(); ++it) {
        const QString &folder = it.key();
        const QString &base = it.value();
        if (firstHomes.contains(folder) || !reachedWithoutLinks(folder, base) || !removeIfEmpty(folder))
            continue;
        const QString parent = parentPath(folder);
        if (inside(parent, base) && !origins.contains(parent) && reachedWithoutLinks(parent, base))
            removeIfEmpty(parent);
    }
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

    cleanUp(moves);
    return failed;
}

} // namespace vidorra
