#include "library/Organize.h"

#include "library/Paths.h"
#include "library/SafeMove.h"
#include "metadata/ClipInfo.h"
#include "text/Language.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

QString failureLine(const QString &name, const QString &description)
{
    return name + QStringLiteral(": ") + description;
}

// A planned folder is relative and goes only downwards from the clip's folder.
bool safeRelative(const QString &folder)
{
    if (folder.isEmpty() || folder.startsWith(u'/'))
        return false;
    for (const QString &part : folder.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    }
    return true;
}

// Whether a folder on the way from `base` down through `relative` is a symbolic link.
// Scanning never follows links, so a clip moved through one would vanish from the app
// (and land wherever the link leads).
bool linkOnTheWay(const QString &base, const QString &relative)
{
    QString path = base == u"/" ? QString() : base;
    for (const QString &part : relative.split(u'/')) {
        path += u'/' + part;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return false; // this one and those below it are made new
        if (S_ISLNK(st.st_mode))
            return true;
    }
    return false;
}

// Folders made for a clip that then did not move: no move records them, so undo
// could never take them away. Only folders still empty go, innermost first.
void removeEmpty(const QStringList &created)
{
    for (auto it = created.crbegin(); it != created.crend(); ++it)
        ::rmdir(QFile::encodeName(*it).constData());
}

void organizeOne(const Planned &item, SortOutcome &outcome)
{
    const QString clip = standardized(item.url);
    const QString name = fileName(clip);
    if (!safeRelative(item.folder)) {
        outcome.failed << L("%@: invalid destination folder", {name});
        return;
    }
    if (linkOnTheWay(parentPath(clip), item.folder)) {
        outcome.failed << L("%@: destination folder is a link", {name});
        return;
    }
    const QString destination = parentPath(clip) + u'/' + item.folder;
    QStringList created;
    if (const auto failure = makeFolders(destination, &created)) {
        outcome.failed << failureLine(name, *failure);
        removeEmpty(created);
        return;
    }
    const QString target = destination + u'/' + name;
    if (existsAt(target)) {
        outcome.failed << L("%@: already exists at destination", {name});
        return;
    }
    if (const auto failure = moveFile(clip, target)) {
        outcome.failed << failureLine(name, *failure);
        removeEmpty(created);
        return;
    }
    outcome.moves << Move{clip, target, false};

    for (const QString &ext : sidecarExts()) {
        const QString companion = withExtension(clip, ext);
        const QString companionTarget = destination + u'/' + fileName(companion);
        if (!existsAt(companion) || existsAt(companionTarget))
            continue;
        if (const auto failure = moveFile(companion, companionTarget)) {
            outcome.failed << failureLine(name, *failure);
            break;
        }
        outcome.moves << Move{companion, companionTarget, false};
    }
}

} // namespace

SortOutcome organize(const ScanResult &result)
{
    SortOutcome outcome;
    for (const Planned &item : result.items) {
        if (item.sortable)
            organizeOne(item, outcome);
    }
    return outcome;
}

QString issues(const QString &head, const QStringList &lines)
{
    QStringList out{head};
    out << lines.mid(0, 4);
    if (lines.size() >= 5)
        out << L("…and %d more", {lines.size() - 4});
    return out.join(u'\n');
}

} // namespace vidorra
