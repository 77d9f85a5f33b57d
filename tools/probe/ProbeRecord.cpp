#include "ProbeRecord.h"

#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "metadata/Labels.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace vidorra {

namespace {

// JSON has no NaN or infinity.
QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(0.0);
}

} // namespace

QJsonObject probeClip(const QString &path)
{
    QString source = QStringLiteral("readClip");
    std::optional<ClipInfo> read = readClip(path);
    if (!read || !isSupportedPocket(*read) || !(read->playbackFPS > 0)) {
        read = readBasic(path);
        source = QStringLiteral("readBasic");
    }
    const ClipInfo &info = *read;
    return QJsonObject{
        {QStringLiteral("path"), path},
        {QStringLiteral("model"), info.model},
        {QStringLiteral("captureFPS"), number(info.captureFPS)},
        {QStringLiteral("playbackFPS"), number(info.playbackFPS)},
        {QStringLiteral("bitDepth"), info.bitDepth},
        {QStringLiteral("colorCode"), info.colorCode},
        {QStringLiteral("iso"), info.iso},
        {QStringLiteral("width"), info.width},
        {QStringLiteral("height"), info.height},
        {QStringLiteral("gammaText"), info.gammaText},
        {QStringLiteral("lens"), info.lens},
        {QStringLiteral("kelvin"), info.kelvin},
        {QStringLiteral("duration"), number(info.duration)},
        {QStringLiteral("proto"), info.proto},
        {QStringLiteral("recognized"), info.recognized},
        {QStringLiteral("source"), source},
        {QStringLiteral("profileLabel"), profileLabel(info)},
        {QStringLiteral("resolutionLabel"), resolutionLabel(info)},
        {QStringLiteral("speedKey"), speedKey(info)},
        {QStringLiteral("fpsLabel"), fpsLabel(info.playbackFPS)},
        {QStringLiteral("folderName"), folderName(info)},
        {QStringLiteral("describe"), describe(info)},
        {QStringLiteral("takesColor"), takesColor(info)},
        {QStringLiteral("isSupportedPocket"), isSupportedPocket(info)},
    };
}

QStringList probeTargets(const QStringList &arguments, QStringList &missing)
{
    QStringList targets;
    for (const QString &argument : arguments) {
        const QFileInfo entry(argument);
        if (!entry.exists()) {
            missing.append(argument);
            continue;
        }
        if (!entry.isDir()) {
            targets.append(entry.absoluteFilePath());
            continue;
        }
        QStringList found;
        QDirIterator it(entry.absoluteFilePath(), QDir::Files | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            if (!file.isSymLink() && videoExts().contains(file.suffix().toLower()))
                found.append(file.absoluteFilePath());
        }
        std::sort(found.begin(), found.end());
        targets += found;
    }
    return targets;
}

} // namespace vidorra
