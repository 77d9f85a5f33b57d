#include "rename/Rename.h"

#include "library/Paths.h"
#include "library/SafeMove.h"
#include "metadata/ClipInfo.h"
#include "metadata/Labels.h"
#include "text/Language.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace vidorra {

namespace {

QString firstGroup(const QRegularExpression &pattern, const QString &text)
{
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

// "D-Log 2" -> "DLog2": letters and numbers only, in the Unicode sense.
QString lettersAndNumbers(const QString &text)
{
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isLetterOrNumber(c))
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

QString clipNumber(const QString &stem, qsizetype position)
{
    static const QRegularExpression dji(QStringLiteral("DJI_\\d{14}_(\\d{4})"));
    static const QRegularExpression trailing(QStringLiteral("_(\\d{3,6})$"));
    QString number = firstGroup(dji, stem);
    if (number.isEmpty())
        number = firstGroup(trailing, stem);
    if (number.isEmpty())
        number = QStringLiteral("%1").arg(position + 1, 4, 10, QLatin1Char('0'));
    return number;
}

QString claimKey(const QString &path) { return path.normalized(QString::NormalizationForm_C).toLower(); }

} // namespace

QString defaultRenameTemplate() { return QStringLiteral("{date}_{profile}_{res}{fps}_{num}"); }

QString clipDate(const QString &stem, const QString &url)
{
    static const QRegularExpression dji(QStringLiteral("DJI_(\\d{8})\\d{6}"));
    static const QRegularExpression leading(QStringLiteral("^(\\d{8})_"));
    QString date = firstGroup(dji, stem);
    if (date.isEmpty())
        date = firstGroup(leading, stem);
    if (!date.isEmpty())
        return date;
    const QFileInfo file(url);
    QDateTime when = file.birthTime();
    if (!when.isValid())
        when = file.lastModified();
    if (!when.isValid())
        return QStringLiteral("00000000");
    return QLocale::c().toString(when.toLocalTime(), QStringLiteral("yyyyMMdd"));
}

QString newStem(const Planned &item, const QString &pattern, qsizetype position)
{
    const QString stem = stemOf(item.url);
    const ClipInfo &info = item.info;
    const std::pair<QString, std::function<QString()>> tokens[] = {
        {QStringLiteral("{date}"), [&] { return clipDate(stem, item.url); }},
        {QStringLiteral("{profile}"), [&] { return lettersAndNumbers(profileLabel(info)); }},
        {QStringLiteral("{res}"), [&] { return resolutionLabel(info); }},
        {QStringLiteral("{fps}"),
         [&] { return fpsLabel(isSlowMotion(info) ? info.captureFPS : info.playbackFPS) + u'p'; }},
        {QStringLiteral("{iso}"),
         [&] { return info.iso >= 1 ? QStringLiteral("ISO%1").arg(info.iso) : QString(); }},
        {QStringLiteral("{num}"), [&] { return clipNumber(stem, position); }},
        {QStringLiteral("{name}"), [&] { return stem; }},
    };

    // Each token of the template is expanded once; inserted values are not scanned
    // again, so a file name holding "{date}" stays as it is.
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        bool replaced = false;
        if (pattern.at(i) == u'{') {
            for (const auto &[token, value] : tokens) {
                if (QStringView(pattern).mid(i).startsWith(token)) {
                    out += value();
                    i += token.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += pattern.at(i++);
    }
    for (QChar &c : out) {
        // NUL cannot be part of a file name on Linux; it would cut the name short.
        if (c == u'/' || c == u':' || c == u'\\' || c == QChar(0))
            c = u'-';
    }
    return out.trimmed();
}

QList<RenamePlan> renamePlans(const QList<Planned> &items, const QString &pattern)
{
    QList<RenamePlan> plans;
    QSet<QString> claimed;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Planned &item = items.at(i);
        const QString fresh = newStem(item, pattern, i);
        if (fresh.isEmpty() || fresh.startsWith(u'.'))
            continue;
        const QString present = standardized(item.url);
        const QString folder = parentPath(present);
        const QString ext = extensionOf(present);
        QString candidate = fresh;
        QString target;
        for (qint64 counter = 2;; ++counter) {
            target = (folder == u"/" ? QString() : folder) + u'/' + candidate
                + (ext.isEmpty() ? QString() : u'.' + ext);
            if (target == present)
                break;
            if (!claimed.contains(claimKey(target)) && !existsAt(target))
                break;
            candidate = fresh + u'_' + QString::number(counter);
        }
        claimed.insert(claimKey(target));
        if (target != present)
            plans << RenamePlan{item.id, present, target};
    }
    return plans;
}

SortOutcome performRename(const QList<RenamePlan> &plans)
{
    SortOutcome outcome;
    for (const RenamePlan &plan : plans) {
        const QString name = fileName(plan.from);
        if (existsAt(plan.to)) {
            outcome.failed << L("%@: name already exists", {name});
            continue;
        }
        if (const auto failure = moveFile(plan.from, plan.to)) {
            outcome.failed << name + QStringLiteral(": ") + *failure;
            continue;
        }
        outcome.moves << Move{plan.from, plan.to, false};
        for (const QString &ext : sidecarExts()) {
            const QString source = withExtension(plan.from, ext);
            const QString destination = withExtension(plan.to, ext);
            if (!existsAt(source) || existsAt(destination))
                continue;
            if (const auto failure = moveFile(source, destination)) {
                outcome.failed << name + QStringLiteral(": ") + *failure;
                break;
            }
            outcome.moves << Move{source, destination, false};
        }
    }
    return outcome;
}

} // namespace vidorra
