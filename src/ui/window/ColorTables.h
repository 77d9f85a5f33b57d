#pragma once
// The colour table in force for each profile that takes colour: the built-in grade, or a
// .cube file the user chose. The choice is stored in the preferences and read again at
// launch; files are read off the main thread, once, and shared. A file that cannot be
// used is reported in the message bar and the grade in force stays as it was; a chosen
// file that changed on disk is read again by refresh() (when the application becomes
// active).

#include "preview/CubeFile.h"
#include "preview/LUTEngine.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <array>
#include <optional>

namespace vidorra {

class Model;

class ColorTables : public QObject {
    Q_OBJECT
public:
    using Grade = LUTEngine::Grade;

    // Failures are reported through `model`'s message.
    explicit ColorTables(Model *model, QObject *parent = nullptr);
    // Waits for a read still running; its result is dropped.
    ~ColorTables() override;

    // Reads the stored choices (at launch).
    void restore();
    // Reads `path`; a usable table is put in force for `grade` and the choice stored.
    // Otherwise the message bar says why, naming the file and the line, and nothing changes.
    void choose(Grade grade, const QString &path);
    // Back to the built-in grade; the stored file is forgotten.
    void useBuiltIn(Grade grade);
    // Reads again every chosen file that changed on disk since it was last read.
    void refresh();
    // Writes the built-in grade of `grade` as a .cube file (size 33) to `path`, replacing
    // it whole or not at all, and says so in the message bar. True when written.
    bool exportBuiltIn(Grade grade, const QString &path);

    // What the settings show for a profile.
    struct State {
        std::optional<QString> path;   // the chosen file; none: the built-in grade
        QString name;                  // the chosen table's TITLE, else its file name
        bool inForce = false;          // the chosen file's table is the one in use
    };
    State state(Grade grade) const;
    // Some read has not come back yet.
    bool reading() const { return pending > 0; }

    static const char *preferenceKey(Grade grade);
    // The profile as the settings name it ("D-Log", "D-Log 2", "Other log and HLG").
    static QString profileName(Grade grade);
    // The title written into an exported built-in table.
    static QString exportTitle(Grade grade);

Q_SIGNALS:
    // A table in force, or a choice, changed: graded pictures are asked for again.
    void changed();
    // Every read asked for so far has come back and been applied.
    void settled();

private:
    enum class Why { choose, restore, refresh };
    struct Slot {
        std::optional<QString> path;      // the stored choice
        CubePtr cube;                     // the chosen file's table in force, if read
        QString title;
        std::optional<FileStamp> seen;    // the file as it was at the last read, good or bad
        quint64 asked = 0;                // the latest read asked for; older ones are dropped
    };

    void read(Grade grade, const QString &path, Why why);
    void apply(Grade grade, const QString &path, quint64 ticket, Why why, const std::optional<CubeFile> &read);
    void install(Grade grade, CubePtr cube);
    void finishRead();

    Model *model;
    std::array<Slot, 3> slots;
    QThreadPool readers;
    int pending = 0;
    QStringList failures;   // gathered until every read is back, then shown together
};

} // namespace vidorra
