#pragma once
// The application's one state object. It lives on the main thread; the window reads
// it, binds to its change signals and changes the application only through it.
// Background work (the scan, the file actions) never touches it: results come back
// as queued calls and are applied here. docs/threads.md lists every thread.

#include "model/ScanWork.h"
#include "model/UserPrompts.h"

#include "import/CardWatcher.h"
#include "import/Importer.h"
#include "library/Library.h"
#include "library/Organize.h"
#include "library/Scan.h"
#include "rename/Rename.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

namespace vidorra {

// An import under way, as the window shows it.
struct ImportStatus {
    QString card;                // the card's name
    ImportProgress progress;
    double bytesPerSecond = 0;   // over the last few seconds; 0 until known
    std::optional<int> secondsLeft;
};

class Model : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<ScanResult> result READ result WRITE setResult NOTIFY resultChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QList<Move> moves READ moves NOTIFY movesChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(bool dropTargeted READ dropTargeted WRITE setDropTargeted NOTIFY dropTargetedChanged)
    Q_PROPERTY(std::optional<QString> tab READ tab WRITE setTab NOTIFY tabChanged)
    Q_PROPERTY(std::optional<QString> openFolder READ openFolder WRITE setOpenFolder NOTIFY openFolderChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)
    Q_PROPERTY(int scanDone READ scanDone NOTIFY scanDoneChanged)
    Q_PROPERTY(int scanTotal READ scanTotal NOTIFY scanTotalChanged)
    Q_PROPERTY(std::optional<QString> root READ root NOTIFY rootChanged)
    Q_PROPERTY(QSet<QUuid> selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(bool lutEnabled READ lutEnabled WRITE setLutEnabled NOTIFY lutEnabledChanged)
    Q_PROPERTY(bool showSettings READ showSettings WRITE setShowSettings NOTIFY showSettingsChanged)
    Q_PROPERTY(bool offerOpen READ offerOpen WRITE setOfferOpen NOTIFY offerOpenChanged)
    Q_PROPERTY(bool organized READ organized WRITE setOrganized NOTIFY organizedChanged)
    Q_PROPERTY(QString sourceName READ sourceName NOTIFY sourceNameChanged)
    Q_PROPERTY(QString sourcePath READ sourcePath NOTIFY sourcePathChanged)
    Q_PROPERTY(std::optional<Planned> preview READ preview WRITE setPreview NOTIFY previewChanged)
    Q_PROPERTY(QList<Card> cards READ cards NOTIFY cardsChanged)
    Q_PROPERTY(bool importing READ importing NOTIFY importingChanged)
    // Plain fields that follow the observed ones; the signals say when they were rebuilt.
    Q_PROPERTY(Library lib READ lib NOTIFY libChanged)
    Q_PROPERTY(QList<Planned> selectedItems READ selectedItems NOTIFY selectedItemsChanged)

public:
    // Scans collecting fewer files than this skip the intro stage.
    static constexpr int introMinimum = 6;

    // Reads the stored language; scans nothing.
    explicit Model(QObject *parent = nullptr);
    // Stops the scan and waits for background work, so no file is left half-moved.
    ~Model() override;

    // The window (or a test) that answers the trash question and the open chooser.
    // Not owned. Without one, trashing is never confirmed and openPanel does nothing.
    void setPrompts(UserPrompts *prompts) { prompts_ = prompts; }

    // ---- observed fields ----
    const std::optional<ScanResult> &result() const { return result_; }
    void setResult(std::optional<ScanResult> value);           // rebuilds
    bool busy() const { return busy_; }
    const QList<Move> &moves() const { return moves_; }
    const QString &message() const { return message_; }
    void setMessage(const QString &value);
    bool dropTargeted() const { return dropTargeted_; }
    void setDropTargeted(bool value);
    const std::optional<QString> &tab() const { return tab_; }
    void setTab(std::optional<QString> value);                 // rebuilds
    const std::optional<QString> &openFolder() const { return openFolder_; }
    void setOpenFolder(std::optional<QString> value);
    const QString &language() const { return language_; }
    // Stores the choice, switches the texts, closes the open pile and relabels the clips.
    void setLanguage(const QString &code);
    bool scanning() const { return scanning_; }
    int scanDone() const { return scanDone_; }
    int scanTotal() const { return scanTotal_; }
    const std::optional<QString> &root() const { return root_; }
    const QSet<QUuid> &selection() const { return selection_; }
    void setSelection(QSet<QUuid> value);                      // rebuilds the selection
    bool lutEnabled() const { return lutEnabled_; }
    void setLutEnabled(bool value);
    bool showSettings() const { return showSettings_; }
    void setShowSettings(bool value);
    bool offerOpen() const { return offerOpen_; }
    void setOfferOpen(bool value);
    bool organized() const { return organized_; }
    void setOrganized(bool value);
    const QString &sourceName() const { return sourceName_; }
    const QString &sourcePath() const { return sourcePath_; }
    const std::optional<Planned> &preview() const { return preview_; }
    void setPreview(std::optional<Planned> value);

    // The camera cards mounted now (empty until watchCards).
    const QList<Card> &cards() const { return cards_; }
    bool importing() const { return importing_; }
    const ImportStatus &importStatus() const { return importStatus_; }

    // ---- plain fields ----
    const Library &lib() const { return lib_; }
    const QList<Planned> &selectedItems() const { return selectedItems_; }
    const std::optional<QUuid> &hoveredID() const { return hoveredID_; }
    void setHoveredID(std::optional<QUuid> id) { hoveredID_ = std::move(id); } // redraws nothing
    // What the last load received, after remapping by moves since (read-only).
    const QStringList &lastURLs() const { return lastURLs_; }

    // ---- loading ----
    // Starts a new scan of files and folders (absolute paths) and resets the view.
    // Refused while an action runs (`busy`): the action's completion reloads its own
    // sources, and a newer load must never be overwritten by it. The refusal is
    // reported in `message`.
    void load(const QStringList &urls);
    // Asks the user what to open and loads it; a cancelled chooser changes nothing.
    void openPanel();
    // Loads the folder of the previous run when idle and empty and the folder still exists.
    void restoreLastFolder();
    // Scans the same sources again, keeping tab, open pile, history, offer and stage.
    void reload();
    // Stops the running scan; clips already shown stay.
    void stopScan();

    // ---- importing from cards ----
    // Starts following the mounted cards (`lister` stands in for the mount table in tests).
    void watchCards(CardWatcher::Lister lister = {});
    // Copies the card's clips, verified, into a new folder under the import folder
    // (asked for once), then opens that folder. One import at a time.
    void importCard(const Card &card);
    // Stops the import; the files already verified stay.
    void cancelImport();
    // Where imports go: asks the user and remembers the answer; false when cancelled.
    bool chooseImportFolder();

    // ---- actions (refused while scanning or busy) ----
    // Organizes the sortable ones of `items` into their folders, then rescans.
    void run(const QList<Planned> &items);
    // Puts back every move since the folder was loaded, then loads the sources again.
    void revert();
    // Asks, then sends the clips and their companions to the Trash. No rescan.
    void trash(const QList<Planned> &items);
    // Carries out the planned renames. No rescan; ids and selection survive.
    void rename(const QList<RenamePlan> &plans);
    // Rescans when the loaded sources changed on disk; clears everything when they are gone.
    void refreshFromDisk();
    // Recomputes the language-dependent labels of every clip, without a rescan.
    void relabel();

    // How many scan, action or refresh jobs still run (a cancelled scan finishes the
    // chunk it is reading before its job ends). A job counts until its result has been
    // queued for the main thread.
    int backgroundThreads() const;
    bool hasBackgroundWork() const { return backgroundThreads() > 0; }

    // Pacing of later scans; for tests and benchmarks.
    void setScanHooks(ScanHooks hooks) { scanHooks_ = std::move(hooks); }

    // Main-thread time since the model was made, for profiling: spent rebuilding the
    // library, and spent applying scan updates (rebuilds included).
    qint64 rebuildNanoseconds() const { return rebuildNanos_; }
    qint64 scanUpdateNanoseconds() const { return scanUpdateNanos_; }

Q_SIGNALS:
    void resultChanged();
    void busyChanged();
    void movesChanged();
    void messageChanged();
    void dropTargetedChanged();
    void tabChanged();
    void openFolderChanged();
    void languageChanged();
    void scanningChanged();
    void scanDoneChanged();
    void scanTotalChanged();
    void rootChanged();
    void selectionChanged();
    void lutEnabledChanged();
    void showSettingsChanged();
    void offerOpenChanged();
    void organizedChanged();
    void sourceNameChanged();
    void sourcePathChanged();
    void previewChanged();
    void libChanged();
    void selectedItemsChanged();
    // Emitted on the main thread whenever a background action has been applied
    // (`busy` has just gone false for it); handy for tests and the window alike.
    void actionFinished();
    // Emitted when a scan's end has been applied (not for a stopped or replaced scan).
    void scanEnded();
    // Emitted when a refreshFromDisk check has come back, whether or not it changed anything.
    void refreshChecked();
    void cardsChanged();
    void importingChanged();
    // The import's counts, speed or time left changed.
    void importStatusChanged();
    // An import has ended and its folder (if anything landed) has been opened.
    void importFinished(const ImportOutcome &outcome);

private:
    // `lib` and the selected items are rebuilt quietly and announced by emitRebuilt once
    // every field is assigned, so no slot sees a new result with an old library.
    void rebuildLib();
    // True when the selected items must be announced.
    bool rebuildSelection();
    void emitRebuilt(bool selectionMoved);
    void describeSource(const QStringList &urls);
    void startLoad(const QStringList &urls);
    void remapSources(const QList<QPair<QString, QString>> &pairs);
    void setBusy(bool value);
    void setMoves(QList<Move> value);
    void setScanning(bool value);
    void setScanDone(int value);
    void setScanTotal(int value);
    void setRoot(std::optional<QString> value);
    void setSource(const QString &name, const QString &path);
    // The message of an action that reloads; a failure list stays through the reload's
    // scan end, whatever the scan finds.
    void setActionMessage(const QString &text, bool failures);
    // Queues `apply` to run on the main thread, dropped if the model is gone.
    void post(std::function<void()> apply);

    // Scan updates, applied only while `token` is still the current scan's.
    void applyCollected(const ScanTokenPtr &token, const ScanResult &collected, int total);
    void applyBatch(const ScanTokenPtr &token, const QList<Planned> &records, int done,
                    const std::optional<ScanSnapshot> &snapshot);
    // Assigns a result whose library was already built elsewhere for the current tab.
    void adoptResult(ScanResult value, Library lib);
    void applyScanEnd(const ScanTokenPtr &token, int total);

    std::optional<ScanResult> result_;
    bool busy_ = false;
    QList<Move> moves_;
    QString message_;
    bool dropTargeted_ = false;
    std::optional<QString> tab_;
    std::optional<QString> openFolder_;
    QString language_;
    bool scanning_ = false;
    int scanDone_ = 0;
    int scanTotal_ = 0;
    std::optional<QString> root_;
    QSet<QUuid> selection_;
    bool lutEnabled_ = false;
    bool showSettings_ = false;
    bool offerOpen_ = false;
    bool organized_ = false;
    QString sourceName_;
    QString sourcePath_;
    std::optional<Planned> preview_;

    Library lib_;
    QList<Planned> selectedItems_;
    ScanTokenPtr scanToken_;
    QStringList lastURLs_;
    std::optional<QUuid> hoveredID_;

    UserPrompts *prompts_ = nullptr;
    // The model's one-shot background jobs: the scan (which posts its updates itself) and
    // the file actions, whose results come back as continuations on this object. Every
    // job starts at once (a limit would let a new scan wait for a cancelled one to end
    // its chunk); the destructor waits for them, so no file is left half-moved.
    QThreadPool work_;
    // The refresh check, at low priority.
    QThreadPool checks_;
    void applyImportProgress(const ImportProgress &progress);
    void applyImportOutcome(const ImportOutcome &outcome);
    QList<Card> cards_;
    bool importing_ = false;
    ImportStatus importStatus_;
    QList<QPair<qint64, qint64>> speedSamples_; // (milliseconds, bytes done)
    QElapsedTimer importClock_;
    std::optional<QString> pendingOpen_;        // an import's folder, opened once not busy
    QString pendingMessage_;
    CardWatcher *cardWatcher_ = nullptr;
    std::unique_ptr<ImportJob> importJob_;      // stopped and joined before the threads
    qint64 rebuildNanos_ = 0;
    qint64 scanUpdateNanos_ = 0;
    ScanHooks scanHooks_;
    std::shared_ptr<SharedTab> sharedTab_ = std::make_shared<SharedTab>();
    quint64 resultGeneration_ = 0; // counts assignments of `result`
    quint64 scanGeneration_ = 0;   // the generation the running scan last produced
    bool scanInSync_ = false;      // `result` still holds exactly what the scan read
    QString keptFailures_;         // an action's failure list, until the next load
    quint64 actionsStarted_ = 0;   // counts the actions handed to the background
};

} // namespace vidorra
