// The actions on a loaded folder: organize, undo, trash, rename, the refresh from
// disk and relabelling. Each checks on the main thread, sets `busy`, does the file
// work as a job of the model's pool and applies the outcome here, as the job's
// continuation on the main thread.

#include "model/Model.h"

#include "model/Jobs.h"
#include "model/SourceRemap.h"

#include "library/Undo.h"
#include "metadata/Labels.h"
#include "text/Language.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace vidorra {

namespace {

// The success text, or the failure count as head line followed by the failures.
QString finishedMessage(const QString &success, const QStringList &failed)
{
    if (failed.isEmpty())
        return success;
    return issues(Ln("Finished with %n issues:", failed.size()), failed);
}

QString sizeText(qint64 bytes)
{
    return Language::locale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace

void Model::setActionMessage(const QString &text, bool failures)
{
    setMessage(text);
    keptFailures_ = failures ? text : QString();
}

void Model::run(const QList<Planned> &items)
{
    if (scanning_ || !result_ || busy_)
        return;
    ScanResult job = *result_;
    job.items.clear();
    for (const Planned &p : items) {
        if (p.sortable)
            job.items.append(p);
    }

    setBusy(true);
    runJob(work_, this, [job] { return organize(job); }, [this](const SortOutcome &outcome) {
        setBusy(false);
        setMoves(moves_ + outcome.moves);
        if (!outcome.moves.isEmpty())
            setOfferOpen(true);
        lastURLs_ = remapForward(lastURLs_, outcome.moves);
        reload();
        setActionMessage(finishedMessage(L("Sorted"), outcome.failed), !outcome.failed.isEmpty());
        Q_EMIT actionFinished();
    });
}

void Model::revert()
{
    if (scanning_ || busy_)
        return;
    const QList<Move> history = moves_;
    setBusy(true);
    runJob(work_, this, [history] { return undo(history); }, [this, history](const QStringList &failed) {
        setBusy(false);
        lastURLs_ = remapBackward(lastURLs_, history);
        const bool keptOrganized = organized_;
        load(lastURLs_);
        if (lastURLs_.isEmpty())
            setMoves({}); // nothing to load, but the history is undone all the same
        setOrganized(keptOrganized);
        setActionMessage(failed.isEmpty()
                             ? L("Undone")
                             : issues(Ln("Undone with %n issues:", failed.size()), failed),
                         !failed.isEmpty());
        Q_EMIT actionFinished();
    });
}

void Model::trash(const QList<Planned> &given)
{
    // Our own: the caller's list may be the model's selection, which a load during the
    // question below replaces.
    const QList<Planned> items = given;
    if (items.isEmpty() || scanning_ || !result_ || busy_)
        return;
    qint64 total = 0;
    for (const Planned &p : items)
        total += p.size;

    Confirmation question;
    question.title = items.size() == 1
        ? L("Delete %@?", {QFileInfo(items.first().url).fileName()})
        : L("Delete %d clips?", {int(items.size())});
    question.text = L("They will go to the Trash (%@).", {sizeText(total)});
    question.acceptButton = L("Delete");
    question.cancelButton = L("Cancel");
    question.acceptIsDestructive = true;
    // The dialog runs the event loop: a folder handed over by a second launch, or the
    // refresh on activation, may have started a scan or an action meanwhile.
    const ScanTokenPtr asked = scanToken_;
    const quint64 actionsBefore = actionsStarted_;
    if (!prompts_ || !prompts_->confirm(question))
        return;
    if (scanning_ || busy_ || !result_ || scanToken_ != asked || actionsStarted_ != actionsBefore) {
        setMessage(L("Nothing was moved to the Trash: the clips were reloaded meanwhile."));
        return;
    }

    setBusy(true);
    runJob(work_, this, [items] { return trashClips(items); }, [this](const SortOutcome &outcome) {
        QSet<QString> gone;
        for (const Move &m : outcome.moves)
            gone.insert(m.from);
        // The current result, not a copy from before the question: a language switch
        // may have relabelled the clips meanwhile.
        if (result_) {
            ScanResult kept = *result_;
            kept.items.removeIf([&](const Planned &p) { return gone.contains(p.url); });
            if (kept.items.isEmpty())
                setResult(std::nullopt);
            else
                setResult(std::move(kept));
        }
        setSelection({});
        setMoves(moves_ + outcome.moves);
        setBusy(false);
        setMessage(finishedMessage(L("Moved to Trash"), outcome.failed));
        Q_EMIT actionFinished();
    });
}

void Model::rename(const QList<RenamePlan> &plans)
{
    if (plans.isEmpty() || scanning_ || !result_ || busy_)
        return;
    setBusy(true);
    runJob(work_, this, [plans] { return performRename(plans); }, [this](const SortOutcome &outcome) {
        QHash<QString, QString> renamed;
        for (const Move &m : outcome.moves) {
            if (!renamed.contains(m.from))
                renamed.insert(m.from, m.to);
        }
        if (result_) {
            ScanResult updated = *result_;
            for (Planned &p : updated.items) {
                const auto it = renamed.constFind(p.url);
                if (it != renamed.cend())
                    p.url = *it;
            }
            setResult(std::move(updated));
        }
        setMoves(moves_ + outcome.moves);
        lastURLs_ = remapForward(lastURLs_, outcome.moves);
        setBusy(false);
        setMessage(finishedMessage(L("Renamed"), outcome.failed));
        Q_EMIT actionFinished();
    });
}

void Model::refreshFromDisk()
{
    if (scanning_ || busy_ || !result_ || lastURLs_.isEmpty())
        return;
    QSet<QString> known;
    for (const Planned &p : result_->items)
        known.insert(p.url);
    const QStringList sources = lastURLs_;

    // What the disk holds now: whether any source is there, and the files under them.
    struct OnDisk {
        bool present = false;
        QSet<QString> files;
    };
    runJob(checks_, this, [sources] {
        OnDisk found;
        found.present = std::any_of(sources.cbegin(), sources.cend(), [](const QString &s) { return QFileInfo::exists(s); });
        if (found.present) {
            for (const CollectedFile &f : collect(sources).files)
                found.files.insert(f.url);
        }
        return found;
    }, [this, known, sources](const OnDisk &found) {
        if (!scanning_ && !busy_ && lastURLs_ == sources) {
            if (!found.present) {
                setResult(std::nullopt);
                setMoves({});
                setOfferOpen(false);
                setMessage(L("Folder not found"));
            } else if (found.files != known) {
                reload();
            }
        }
        Q_EMIT refreshChecked();
    });
}

void Model::relabel()
{
    if (!result_)
        return;
    ScanResult updated = *result_;
    for (Planned &p : updated.items) {
        p.folder = folderName(p.info);
        p.label = describe(p.info);
        p.profile = profileLabel(p.info);
        p.resolution = p.info.recognized ? resolutionLabel(p.info) : L("Unknown");
    }
    setResult(std::move(updated));
}

} // namespace vidorra
