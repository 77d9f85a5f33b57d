#pragma once
// What one import copies and where: every clip under the card's DCIM folder with its
// companion files, into a folder of its own under the chosen import folder, named by
// the days the clips were shot ("2024-01-31 Pocket").

#include "import/Card.h"
#include "import/Checksum.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace vidorra {

struct ImportFile {
    QString source;   // absolute path on the card
    QString relative; // path relative to the card's root, "/" between components
    qint64 size = 0;
    bool clip = false; // a clip rather than a companion file
};

// A file an earlier import already holds, as its checksum file lists it.
struct EarlierCopy {
    Digest digest;
    QString folder; // the earlier import's folder name
};

struct ImportPlan {
    Card card;
    QString folder; // the import's own folder (absolute); made when the first file lands
    QList<ImportFile> files; // sorted by relative path, each clip before its companions
    // Files listed by the checksum files of the import folder's other sub-folders and of
    // `folder` itself, by relative path.
    QHash<QString, EarlierCopy> earlier;
    int clips = 0;
    qint64 bytes = 0;
};

// The clips under the card's DCIM folder (hidden files, links and non-clips left out,
// as a scan does) and, after each, its companions: the files of its folder named like
// it with a companion extension, matched exactly, so a card that ignores letter case
// does not give the same file twice.
QList<ImportFile> cardFiles(const QString &cardRoot);

// The day a clip was shot: the date in a camera name ("DJI_20240131123456_0001_D.MP4"),
// else the file's modification day.
QDate shotOn(const ImportFile &file);

// "2024-01-31 Pocket", or "2024-01-30 – 2024-02-02 Pocket" for clips shot over several
// days; `today` when there are no clips.
QString importFolderName(const QList<ImportFile> &files, QDate today);

// The first of "NAME", "NAME 2", "NAME 3", … that nothing in `parent` is called.
QString unusedFolderName(const QString &parent, const QString &name);

// The files of `card` to import into `parent`/`name`, with what earlier imports under
// `parent` hold.
ImportPlan planImport(const Card &card, const QString &parent, const QString &name);

} // namespace vidorra
