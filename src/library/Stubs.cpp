// Placeholder bodies until the real ones land.
#include "Library.h"
#include "Organize.h"
#include "SafeMove.h"
#include "Scan.h"
#include "Trash.h"
#include "Undo.h"

namespace vidorra {
Collected collect(const QStringList &) { return {}; }
Planned analyze(const QString &url, bool) { Planned p; p.url = url; return p; }
ScanResult scan(const QStringList &) { return {}; }
Library::Library(const QList<Planned> &, const std::optional<QString> &) {}
SortOutcome organize(const ScanResult &) { return {}; }
QString issues(const QString &head, const QStringList &) { return head; }
SortOutcome trashClips(const QList<Planned> &) { return {}; }
QStringList undo(const QList<Move> &) { return {}; }
std::optional<QString> moveFile(const QString &, const QString &) { return QStringLiteral("unsupported"); }
std::optional<QString> makeFolders(const QString &) { return QStringLiteral("unsupported"); }
QString errorText(int) { return {}; }
void setMoveFault(MoveFault) {}
TrashResult moveToTrash(const QString &) { return {}; }
std::optional<QString> trashInfoFor(const QString &) { return {}; }
QString homeTrash() { return {}; }
}
