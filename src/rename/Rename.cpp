#include "Rename.h"

namespace vidorra {
QString defaultRenameTemplate() { return QStringLiteral("{date}_{profile}_{res}{fps}_{num}"); }
QList<RenamePlan> renamePlans(const QList<Planned> &, const QString &) { return {}; }
QString newStem(const Planned &, const QString &, qsizetype) { return {}; }
QString clipDate(const QString &, const QString &) { return QStringLiteral("00000000"); }
SortOutcome performRename(const QList<RenamePlan> &) { return {}; }
}
