// Loading: opening, restoring, reloading and stopping scans, and applying the scan's
// updates on the main thread.

#include "model/Model.h"

#include "model/Preferences.h"
#include "model/ScanWork.h"

#include "text/Language.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace vidorra {

namespace {

bool isDirectory(const QString &path)
{
    return QFileInfo(path).isDir();
}

QString cleaned(const QString &path)
{
    return QDir::cleanPath(path);
}

QString lastComponent(const QString &path)
{
    const QString name = QFileInfo(cleaned(path)).fileName();
    return name.isEmpty() ? cleaned(path) : name;
}

QString parentOf(const QString &path)
{
    return QFileInfo(cleaned(path)).absolutePath();
}

} // namespace

void Model::load(const QStringList &urls)
{
    if (urls.isEmpty())
        return;
    // An action's completion reloads its own sources; a load started meanwhile would
    // be overwritten by it, so the window offers no loading while busy and we refuse.
    if (busy_) {
        setMessage(L("Wait until the current action finishes, then open again."));
        return;
    }
    startLoad(urls);
}

void Model::startLoad(const QStringList &urls)
{
    if (urls.size() == 1 && isDirectory(urls.first()))
        Preferences::setLastFolderPath(urls.first());

    scanToken_->cancelled = true; // every update of the old scan is dropped from now on
    scanToken_ = std::make_shared<ScanToken>();

    setOfferOpen(false);
    setOrganized(Preferences::skipIntro());
    setScanning(true);
    setScanDone(0);
    setScanTotal(0);
    setMessage(QString());
    keptFailures_.clear();
    setMoves({});
    setResult(std::nullopt);
    setTab(std::nullopt);
    setOpenFolder(std::nullopt);
    setSelection({});

    lastURLs_ = urls;
    describeSource(urls);

    const ScanTokenPtr token = scanToken_;
    ScanSink sink;
    sink.collected = [this, token](const ScanResult &collected, int total) {
        post([this, token, collected, total] { applyCollected(token, collected, total); });
    };
    sink.batch = [this, token](const QList<Planned> &records, int done, const std::optional<ScanSnapshot> &snapshot) {
        post([this, token, records, done, snapshot] { applyBatch(token, records, done, snapshot); });
    };
    sink.tab = [tab = sharedTab_] { return tab->get(); };
    sink.ended = [this, token](int total) {
        post([this, token, total] { applyScanEnd(token, total); });
    };
    QtConcurrent::run(&work_, [urls, token, sink, hooks = scanHooks_] { runScan(urls, token, sink, hooks); });
}

void Model::applyCollected(const ScanTokenPtr &token, const ScanResult &collected, int total)
{
    if (token->cancelled || token != scanToken_)
        return;
    QElapsedTimer timer;
    timer.start();
    setResult(collected);
    scanGeneration_ = resultGeneration_;
    scanInSync_ = true;
    setRoot(collected.root);
    setScanTotal(total);
    scanUpdateNanos_ += timer.nsecsElapsed();
}

void Model::applyBatch(const ScanTokenPtr &token, const QList<Planned> &records, int done,
                       const std::optional<ScanSnapshot> &snapshot)
{
    if (token->cancelled || token != scanToken_)
        return;
    QElapsedTimer timer;
    timer.start();
    if (result_) {
        ScanResult grown = std::move(*result_);
        // The scan's own records and library fit only while nothing else changed the
        // result since the scan began (a language switch relabels it; then they never
        // fit again) and the tab is the one the library was built for.
        scanInSync_ = scanInSync_ && resultGeneration_ == scanGeneration_;
        if (snapshot && scanInSync_ && snapshot->tab == tab_) {
            grown.items = snapshot->items;
            adoptResult(std::move(grown), snapshot->lib);
        } else {
            grown.items.append(records);
            setResult(std::move(grown));
        }
        scanGeneration_ = resultGeneration_;
    } else {
        setResult(std::nullopt);
    }
    setScanDone(done);
    scanUpdateNanos_ += timer.nsecsElapsed();
}

void Model::applyScanEnd(const ScanTokenPtr &token, int total)
{
    if (token->cancelled || token != scanToken_)
        return;
    setScanning(false);
    if (total < introMinimum) {
        setOrganized(true);
        if (total == 0) {
            // After the failure list of the action that reloaded, never instead of it.
            const QString none = L("No compatible clips");
            setMessage(keptFailures_.isEmpty() ? none : keptFailures_ + u'\n' + none);
        }
    }
    Q_EMIT scanEnded();
}

void Model::describeSource(const QStringList &urls)
{
    QStringList dirs;
    for (const QString &url : urls) {
        if (isDirectory(url))
            dirs.append(url);
    }
    const QString base = dirs.isEmpty() ? parentOf(urls.first()) : cleaned(dirs.first());
    QString name = lastComponent(base);
    if (dirs.size() >= 2)
        name += QStringLiteral(" +") + QString::number(dirs.size() - 1);
    setSource(name, base);
}

void Model::openPanel()
{
    if (!prompts_)
        return;
    const QStringList chosen = prompts_->chooseSources();
    if (!chosen.isEmpty())
        load(chosen);
}

void Model::restoreLastFolder()
{
    if (result_ || busy_ || scanning_)
        return;
    const std::optional<QString> path = Preferences::lastFolderPath();
    if (path && !path->isEmpty() && isDirectory(*path))
        load({*path});
}

void Model::reload()
{
    const std::optional<QString> keptTab = tab_;
    const std::optional<QString> keptFolder = openFolder_;
    const QList<Move> keptMoves = moves_;
    const bool keptOffer = offerOpen_;
    const bool keptOrganized = organized_;

    load(lastURLs_);

    setTab(keptTab);
    setOpenFolder(keptFolder);
    setMoves(keptMoves);
    setOfferOpen(keptOffer);
    setOrganized(keptOrganized);
}

void Model::stopScan()
{
    scanToken_->cancelled = true;
    setScanning(false);
}

} // namespace vidorra
