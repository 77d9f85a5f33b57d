#pragma once
// The two questions the model puts to the user. The window answers them with real
// dialogs; tests answer them directly, so the model itself needs no display.

#include <QString>
#include <QStringList>

namespace vidorra {

// A modal yes/no question whose accepting button is destructive.
struct Confirmation {
    QString title;           // "Delete clip.mp4?" / "Delete 3 clips?"
    QString text;            // "They will go to the Trash (12 MB)."
    QString acceptButton;    // "Delete", shown first and marked destructive
    QString cancelButton;    // "Cancel", shown second
    bool acceptIsDestructive = true;
};

// What to do when an import's folder name is taken already.
enum class ImportTarget { AddToExisting, NewFolder, Cancel };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // Shows the question modally; true only when the user chose the accepting button.
    virtual bool confirm(const Confirmation &question) = 0;

    // Lets the user choose files and folders (several at once; folders and movies).
    // Returns absolute paths in the chooser's order, or an empty list when cancelled.
    virtual QStringList chooseSources() = 0;

    // Lets the user choose the folder that imports from cards go into; empty when
    // cancelled.
    virtual QString chooseImportFolder() { return {}; }

    // The folder `existing` is there already (an earlier import of the same days, or a
    // folder of the user's): add to it, import into `fresh` beside it, or cancel.
    virtual ImportTarget chooseImportTarget(const QString &existing, const QString &fresh)
    {
        Q_UNUSED(existing)
        Q_UNUSED(fresh)
        return ImportTarget::Cancel;
    }
};

} // namespace vidorra
