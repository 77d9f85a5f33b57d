#include "import/ImportPlan.h"

#include "import/Manifest.h"

#include "library/NameOrder.h"
#include "library/Paths.h"
#include "library/Scan.h"
#include "metadata/ClipInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace vidorra {

QList<ImportFile> cardFiles(const QString &cardRoot)
{
    const QString root = standardized(cardRoot);
    const QString prefix = root == u"/" ? root : root + u'/';
    QList<ImportFile> clips;
    for (const CollectedFile &f : collect({prefix + QStringLiteral("DCIM")}).files)
        clips << ImportFile{f.url, f.url.mid(prefix.size()), QFileInfo(f.url).size(), true};
    std::stable_sort(clips.begin(), clips.end(), [](const ImportFile &a, const ImportFile &b) {
        return compareScalars(a.relative, b.relative) < 0;
    });

    QHash<QString, QSet<QString>> listings; // folder -> names, read once per folder
    QList<ImportFile> files;
    for (const ImportFile &clip : clips) {
        files << clip;
        const QString folder = parentPath(clip.source);
        auto listing = listings.find(folder);
        if (listing == listings.end()) {
            const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
            listing = listings.insert(folder, QSet<QString>(names.begin(), names.end()));
        }
        const QString stem = stemOf(clip.source);
        for (const QString &ext : sidecarExts()) {
            const QString name = stem + u'.' + ext;
            const QString path = folder + u'/' + name;
            if (listing->contains(name) && isRegularFile(path))
                files << ImportFile{path, path.mid(prefix.size()), QFileInfo(path).size(), false};
        }
    }
    return files;
}

QDate shotOn(const ImportFile &file)
{
    static const QRegularExpression cameraName(QStringLiteral(R"(^DJI_(\d{8})\d{6}_)"));
    const auto match = cameraName.match(fileName(file.source));
    if (match.hasMatch()) {
        const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
        if (day.isValid())
            return day;
    }
    return QFileInfo(file.source).lastModified().date();
}

QString importFolderName(const QList<ImportFile> &files, QDate today)
{
    QDate first, last;
    for (const ImportFile &f : files) {
        if (!f.clip)
            continue;
        const QDate day = shotOn(f);
        if (!day.isValid())
            continue;
        if (!first.isValid() || day < first)
            first = day;
        if (!last.isValid() || day > last)
            last = day;
    }
    if (!first.isValid())
        first = last = today;
    const QString format = QStringLiteral("yyyy-MM-dd");
    // No words: the same card gives the same name whatever the language.
    const QString days = first == last ? first.toString(format)
                                       : first.toString(format) + QStringLiteral(" – ") + last.toString(format);
    return days + QStringLiteral(" Pocket");
}

QString unusedFolderName(const QString &parent, const QString &name)
{
    QString candidate = name;
    for (int n = 2; existsAt(parent + u'/' + candidate); ++n)
        candidate = name + u' ' + QString::number(n);
    return candidate;
}

ImportPlan planImport(const Card &card, const QString &parent, const QString &name)
{
    ImportPlan plan;
    plan.card = card;
    plan.folder = standardized(parent) + u'/' + name;
    plan.files = cardFiles(card.root);
    for (const ImportFile &f : plan.files) {
        plan.bytes += f.size;
        plan.clips += f.clip ? 1 : 0;
    }
    // The import's own folder last, so a file listed there as well wins.
    QStringList folders = QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    folders.removeAll(name);
    folders << name;
    for (const QString &folder : folders) {
        const ManifestRead read = readManifest(parent + u'/' + folder + u'/' + manifestName());
        for (const ManifestEntry &e : read.entries)
            plan.earlier.insert(e.path, EarlierCopy{e.digest, folder});
    }
    return plan;
}

} // namespace vidorra
