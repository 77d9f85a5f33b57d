#include "import/Card.h"

#include "library/Paths.h"
#include "library/Scan.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace vidorra {

QList<Volume> mountedVolumes()
{
    QList<Volume> volumes;
    for (const QStorageInfo &info : QStorageInfo::mountedVolumes()) {
        const QString device = QString::fromLocal8Bit(info.device());
        if (!device.startsWith(QLatin1String("/dev/")) || info.isRoot())
            continue;
        const QString root = info.rootPath();
        QString name = info.name();
        if (name.isEmpty())
            name = fileName(root);
        volumes << Volume{root, name, device};
    }
    return volumes;
}

std::optional<Card> cardOn(const Volume &volume)
{
    const QString dcim = volume.root == u"/" ? QStringLiteral("/DCIM") : volume.root + QStringLiteral("/DCIM");
    if (!isDirectory(dcim))
        return std::nullopt;
    const Collected found = collect({dcim});
    if (found.files.isEmpty())
        return std::nullopt;
    Card card{volume.root, volume.name, int(found.files.size()), 0};
    for (const CollectedFile &f : found.files)
        card.bytes += QFileInfo(f.url).size();
    return card;
}

QList<Card> findCards(const QList<Volume> &volumes)
{
    QList<Card> cards;
    for (const Volume &v : volumes) {
        if (auto card = cardOn(v))
            cards << *card;
    }
    return cards;
}

} // namespace vidorra
