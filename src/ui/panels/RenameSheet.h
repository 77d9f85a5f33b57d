#pragma once
// The rename sheet: a template field with token buttons, the live list of old and new
// names, Cancel (Escape) and Rename (Return). The template is stored on every change,
// so the next opening offers the last one, also after Cancel.

#include "library/Scan.h"
#include "rename/Rename.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace vidorra {

class RenamePlanList;

class RenameSheet : public QDialog {
    Q_OBJECT
public:
    using RenameAction = std::function<void(const QList<RenamePlan> &)>;

    // The tokens offered as buttons, in order, and the label of each.
    static const QStringList &tokens();
    static QString tokenLabel(const QString &token);

    // `onRename` receives the plans when the user confirms; the sheet closes after it.
    RenameSheet(const QList<Planned> &items, RenameAction onRename, QWidget *parent = nullptr);

    QString templateText() const;
    void setTemplateText(const QString &text);   // as if typed: stored, plans recomputed
    void appendToken(const QString &token);      // what a token button does
    void resetTemplate();                        // what Reset does
    const QList<RenamePlan> &plans() const { return currentPlans; }

    QLineEdit *templateField() const { return field; }
    QPushButton *renameButton() const { return renameBtn; }
    QPushButton *cancelButton() const { return cancelBtn; }
    QListView *planView() const { return list; }

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void templateEdited(const QString &text);
    void confirm();

    QList<Planned> items;
    RenameAction onRename;
    QList<RenamePlan> currentPlans;

    QLabel *title = nullptr;
    QLineEdit *field = nullptr;
    QList<QAbstractButton *> tokenButtons;   // in the order of tokens()
    QAbstractButton *reset = nullptr;
    QListView *list = nullptr;
    RenamePlanList *listModel = nullptr;
    QPushButton *cancelBtn = nullptr;
    QPushButton *renameBtn = nullptr;
};

} // namespace vidorra
