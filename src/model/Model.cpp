#include "model/Model.h"

#include "model/Preferences.h"

#include "text/Language.h"

#include <QElapsedTimer>
#include <QMetaObject>

namespace vidorra {

Model::Model(QObject *parent)
    : QObject(parent),
      language_(Preferences::appLanguage()),
      scanToken_(std::make_shared<ScanToken>())
{
    work_.setObjectName(QStringLiteral("model work"));
    work_.setMaxThreadCount(64);
    checks_.setObjectName(QStringLiteral("model checks"));
    checks_.setMaxThreadCount(64);
    checks_.setThreadPriority(QThread::LowPriority);
    // An import that ended while an action ran opens its folder once the action is done.
    connect(this, &Model::actionFinished, this, [this] {
        if (!pendingOpen_ || busy_)
            return;
        const QString folder = *std::exchange(pendingOpen_, std::nullopt);
        load({folder});
        setMessage(pendingMessage_);
    });
}

Model::~Model()
{
    // An import in hand is stopped: its partial copy goes, verified files stay.
    importJob_.reset();
    scanToken_->cancelled = true;
    work_.waitForDone();
    checks_.waitForDone();
}

int Model::backgroundThreads() const
{
    // A pool's thread stays active until its job's function and the queuing of its
    // continuation are done.
    return work_.activeThreadCount() + checks_.activeThreadCount();
}

void Model::post(std::function<void()> apply)
{
    QMetaObject::invokeMethod(this, std::move(apply), Qt::QueuedConnection);
}

// ---- observers ----

void Model::setResult(std::optional<ScanResult> value)
{
    result_ = std::move(value);
    ++resultGeneration_;
    rebuildLib();
    const bool selectionMoved = rebuildSelection();
    Q_EMIT resultChanged();
    emitRebuilt(selectionMoved);
}

void Model::adoptResult(ScanResult value, Library lib)
{
    result_ = std::move(value);
    ++resultGeneration_;
    lib_ = std::move(lib);
    const bool selectionMoved = rebuildSelection();
    Q_EMIT resultChanged();
    emitRebuilt(selectionMoved);
}

void Model::setTab(std::optional<QString> value)
{
    const bool changed = tab_ != value;
    tab_ = std::move(value);
    sharedTab_->set(tab_);
    rebuildLib();
    const bool selectionMoved = rebuildSelection();
    if (changed)
        Q_EMIT tabChanged();
    emitRebuilt(selectionMoved);
}

void Model::setSelection(QSet<QUuid> value)
{
    const bool changed = selection_ != value;
    selection_ = std::move(value);
    const bool selectionMoved = rebuildSelection();
    if (changed)
        Q_EMIT selectionChanged();
    if (selectionMoved)
        Q_EMIT selectedItemsChanged();
}

void Model::setLanguage(const QString &code)
{
    if (code == language_)
        return;
    // Tabs are named by their resolution label, and the only worded one is the tab of
    // unknown clips: the user stays on it across the switch.
    const bool onUnknownTab = tab_ && *tab_ == L("Unknown");
    language_ = code;
    Preferences::setAppLanguage(code);
    Language::apply(code);
    if (onUnknownTab) {
        tab_ = L("Unknown");
        sharedTab_->set(tab_);
        Q_EMIT tabChanged();
    }
    Q_EMIT languageChanged();
    setOpenFolder(std::nullopt); // pile names are worded in the language
    relabel();
}

void Model::rebuildLib()
{
    QElapsedTimer timer;
    timer.start();
    lib_ = result_ ? Library(result_->items, tab_) : Library();
    rebuildNanos_ += timer.nsecsElapsed();
}

bool Model::rebuildSelection()
{
    QList<Planned> items;
    if (!selection_.isEmpty()) {
        for (const Planned &p : lib_.ordered) {
            if (selection_.contains(p.id))
                items.append(p);
        }
    }
    const bool wasEmpty = selectedItems_.isEmpty();
    selectedItems_ = std::move(items);
    // Records carry no equality, so only the trivial "still empty" case is quiet.
    return !(wasEmpty && selectedItems_.isEmpty());
}

void Model::emitRebuilt(bool selectionMoved)
{
    Q_EMIT libChanged();
    if (selectionMoved)
        Q_EMIT selectedItemsChanged();
}

// ---- plain setters: notify only on a real change ----

namespace {
template <typename T, typename V>
bool assign(T &field, V &&value)
{
    if (field == value)
        return false;
    field = std::forward<V>(value);
    return true;
}
} // namespace

void Model::setMessage(const QString &v) { if (assign(message_, v)) Q_EMIT messageChanged(); }
void Model::setDropTargeted(bool v) { if (assign(dropTargeted_, v)) Q_EMIT dropTargetedChanged(); }
void Model::setOpenFolder(std::optional<QString> v) { if (assign(openFolder_, std::move(v))) Q_EMIT openFolderChanged(); }
void Model::setLutEnabled(bool v) { if (assign(lutEnabled_, v)) Q_EMIT lutEnabledChanged(); }
void Model::setShowSettings(bool v) { if (assign(showSettings_, v)) Q_EMIT showSettingsChanged(); }
void Model::setOfferOpen(bool v) { if (assign(offerOpen_, v)) Q_EMIT offerOpenChanged(); }
void Model::setOrganized(bool v) { if (assign(organized_, v)) Q_EMIT organizedChanged(); }
void Model::setBusy(bool v)
{
    actionsStarted_ += v ? 1 : 0;
    if (assign(busy_, v))
        Q_EMIT busyChanged();
}
void Model::setMoves(QList<Move> v) { if (assign(moves_, std::move(v))) Q_EMIT movesChanged(); }
void Model::setScanning(bool v) { if (assign(scanning_, v)) Q_EMIT scanningChanged(); }
void Model::setScanDone(int v) { if (assign(scanDone_, v)) Q_EMIT scanDoneChanged(); }
void Model::setScanTotal(int v) { if (assign(scanTotal_, v)) Q_EMIT scanTotalChanged(); }
void Model::setRoot(std::optional<QString> v) { if (assign(root_, std::move(v))) Q_EMIT rootChanged(); }

void Model::setPreview(std::optional<Planned> value)
{
    // Records have no equality; the same clip is recognised by its id and path.
    const bool same = preview_.has_value() == value.has_value()
        && (!value || (preview_->id == value->id && preview_->url == value->url));
    preview_ = std::move(value);
    if (!same)
        Q_EMIT previewChanged();
}

void Model::setSource(const QString &name, const QString &path)
{
    if (sourceName_ != name) {
        sourceName_ = name;
        Q_EMIT sourceNameChanged();
    }
    if (sourcePath_ != path) {
        sourcePath_ = path;
        Q_EMIT sourcePathChanged();
    }
}

} // namespace vidorra
