#include "model/SourceRemap.h"

#include <QHash>

namespace vidorra {

QStringList remapForward(const QStringList &sources, const QList<Move> &moves)
{
    QHash<QString, QString> to;
    for (const Move &m : moves) {
        if (!to.contains(m.from))
            to.insert(m.from, m.to);
    }
    QStringList out = sources;
    for (QString &s : out) {
        const auto it = to.constFind(s);
        if (it != to.cend())
            s = *it;
    }
    return out;
}

QStringList remapBackward(const QStringList &sources, const QList<Move> &moves)
{
    QStringList out = sources;
    for (qsizetype i = moves.size() - 1; i >= 0; --i) {
        for (QString &s : out) {
            if (s == moves[i].to)
                s = moves[i].from;
        }
    }
    return out;
}

} // namespace vidorra
