// Importing from cards: following the mounted cards, the question of where the import
// goes, the verified copy on a thread of its own with its progress, and opening the
// imported folder as if the user had opened it.

#include "model/Model.h"

#include "model/Preferences.h"

#include "library/Organize.h"
#include "library/Paths.h"
#include "text/Language.h"

#include <QDate>
#include <QLocale>
#include <QStorageInfo>

#include <cmath>

namespace vidorra {

namespace {

QString sizeText(qint64 bytes)
{
    return Language::locale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

// "Imported 3 clips (1.2 GB), all verified"
QString importedLine(const ImportOutcome &out)
{
    return Ln("Imported %n clips (%@), all verified", out.clipsCopied, {sizeText(out.bytesCopied)});
}

QString skippedLine(int clips)
{
    return Ln("%n clips were imported before and were skipped", clips);
}

QString outcomeMessage(const ImportOutcome &out, const QString &card)
{
    QStringList lines;
    if (out.cancelled)
        lines << L("Import stopped");
    if (out.filesCopied == 0 && out.failed.isEmpty() && !out.cancelled && out.filesSkipped > 0)
        return L("Every clip on %@ was imported before", {card});
    lines << importedLine(out);
    if (out.clipsSkipped > 0)
        lines << skippedLine(out.clipsSkipped);
    if (!out.failed.isEmpty())
        lines << issues(Ln("Finished with %n issues:", out.failed.size()), out.failed);
    return lines.join(u'\n');
}

} // namespace

void Model::watchCards(CardWatcher::Lister lister)
{
    delete cardWatcher_;
    cardWatcher_ = new CardWatcher(std::move(lister), this);
    connect(cardWatcher_, &CardWatcher::cardsChanged, this, [this] {
        cards_ = cardWatcher_->cards();
        Q_EMIT cardsChanged();
    });
}

bool Model::chooseImportFolder()
{
    const QString chosen = prompts_ ? prompts_->chooseImportFolder() : QString();
    if (chosen.isEmpty() || !isDirectory(chosen))
        return false;
    Preferences::setImportFolder(standardized(chosen));
    return true;
}

void Model::importCard(const Card &card)
{
    if (importing_)
        return;
    const std::optional<QString> remembered = Preferences::importFolder();
    if (!remembered || !isDirectory(*remembered)) {
        if (!chooseImportFolder())
            return;
    }
    const QString parent = *Preferences::importFolder();

    QString name = importFolderName(cardFiles(card.root), QDate::currentDate());
    if (existsAt(parent + u'/' + name)) {
        const QString fresh = unusedFolderName(parent, name);
        const ImportTarget choice = prompts_ ? prompts_->chooseImportTarget(name, fresh) : ImportTarget::Cancel;
        if (choice == ImportTarget::Cancel)
            return;
        if (choice == ImportTarget::NewFolder)
            name = fresh;
    }
    ImportPlan plan = planImport(card, parent, name);
    if (plan.files.isEmpty()) {
        setMessage(L("No clips on %@", {card.name}));
        return;
    }
    // Files listed by earlier imports may be skipped; the rest must fit.
    qint64 needed = 0;
    for (const ImportFile &f : plan.files) {
        if (!plan.earlier.contains(f.relative))
            needed += f.size;
    }
    const qint64 free = QStorageInfo(parent).bytesAvailable();
    if (free >= 0 && needed > free) {
        setMessage(L("Not enough space in %@: %@ needed, %@ free", {parent, sizeText(needed), sizeText(free)}));
        return;
    }

    importStatus_ = ImportStatus{card.name, ImportProgress{0, int(plan.files.size()), 0, plan.bytes, {}}, 0, {}};
    speedSamples_.clear();
    importClock_.start();
    importing_ = true;
    Q_EMIT importingChanged();
    Q_EMIT importStatusChanged();
    if (!importJob_)
        importJob_ = std::make_unique<ImportJob>();
    importJob_->start(
        std::move(plan),
        [this](const ImportProgress &progress) { post([this, progress] { applyImportProgress(progress); }); },
        [this](const ImportOutcome &outcome) { post([this, outcome] { applyImportOutcome(outcome); }); });
}

void Model::cancelImport()
{
    if (importJob_)
        importJob_->cancel();
}

void Model::applyImportProgress(const ImportProgress &progress)
{
    if (!importing_)
        return;
    importStatus_.progress = progress;
    // The speed of the last five seconds: the disk's pace changes from clip to clip.
    const qint64 now = importClock_.elapsed();
    speedSamples_.append({now, progress.bytesDone});
    while (speedSamples_.size() > 2 && now - speedSamples_.first().first > 5000)
        speedSamples_.removeFirst();
    const auto &[t0, b0] = speedSamples_.first();
    if (now - t0 >= 1000 && progress.bytesDone > b0) {
        importStatus_.bytesPerSecond = double(progress.bytesDone - b0) * 1000.0 / double(now - t0);
        importStatus_.secondsLeft = int(std::ceil(double(progress.bytesTotal - progress.bytesDone)
                                                  / importStatus_.bytesPerSecond));
    }
    Q_EMIT importStatusChanged();
}

void Model::applyImportOutcome(const ImportOutcome &outcome)
{
    importJob_->wait();
    importing_ = false;
    Q_EMIT importingChanged();
    const QString text = outcomeMessage(outcome, importStatus_.card);
    if (outcome.filesCopied > 0 && isDirectory(outcome.folder)) {
        // Opened as if the user had: after any action in hand has finished.
        if (busy_) {
            pendingOpen_ = outcome.folder;
            pendingMessage_ = text;
        } else {
            load({outcome.folder});
            setMessage(text);
        }
    } else {
        setMessage(text);
    }
    Q_EMIT importFinished(outcome);
}

} // namespace vidorra
