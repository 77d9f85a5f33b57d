#include "metadata/ClipInfo.h"

namespace vidorra {

// Function-local statics: built once, safely against concurrent first use, never changed.

const QMap<qint64, QString> &profileNames()
{
    static const QMap<qint64, QString> names{
        {2, QStringLiteral("D-Log")},
        {22, QStringLiteral("D-Log 2")},
    };
    return names;
}

const QMap<QString, QString> &profileNamesByText()
{
    static const QMap<QString, QString> names{
        {QStringLiteral("d-log"), QStringLiteral("D-Log")},
        {QStringLiteral("d-log2"), QStringLiteral("D-Log 2")},
        {QStringLiteral("rec.709"), QStringLiteral("Rec.709")},
        {QStringLiteral("rec.2100 hlg"), QStringLiteral("HLG")},
    };
    return names;
}

const QSet<QString> &videoExts()
{
    static const QSet<QString> exts{QStringLiteral("mp4"), QStringLiteral("mov")};
    return exts;
}

const QStringList &sidecarExts()
{
    static const QStringList exts{
        QStringLiteral("LRF"), QStringLiteral("lrf"),
        QStringLiteral("SRT"), QStringLiteral("srt"),
        QStringLiteral("AAC"), QStringLiteral("aac"),
    };
    return exts;
}

bool isSupportedPocket(const ClipInfo &info)
{
    return info.proto == QLatin1String("dvtm_osmo_pocket_4.proto")
        || info.proto == QLatin1String("dvtm_PP-101.proto")
        || info.model.contains(QLatin1String("OsmoPocket3"))
        || info.model.contains(QLatin1String("OsmoPocket4"));
}

} // namespace vidorra
