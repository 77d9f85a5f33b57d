#pragma once
// The "Color" section of the settings panel: for each profile that takes colour, the
// table in use (the built-in grade, or a chosen .cube file shown by its title or file
// name) with "Choose…" and "Use Built-in", and "Export Built-in…" to save a profile's
// built-in grade for other tools. It shows what ColorTables holds and asks it for every
// change.

#include "preview/LUTEngine.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QMenu;

namespace vidorra {

class ColorTables;
class ElidedLabel;
class LinkButton;

class ColorSection : public QWidget {
    Q_OBJECT
public:
    using Grade = LUTEngine::Grade;
    // Asks where to read (or write) a profile's table; empty when the user cancels.
    using Chooser = std::function<QString(Grade)>;

    ColorSection(ColorTables *tables, QWidget *parent);

    // File dialogs unless replaced (the tests answer for the user).
    void setOpenChooser(Chooser chooser) { openChooser = std::move(chooser); }
    void setSaveChooser(Chooser chooser) { saveChooser = std::move(chooser); }

    // Every text, in the language now in effect.
    void retranslate();
    // Colours that follow the palette.
    void restyle();
    // Shows what the tables hold now.
    void refresh();

    // The parts, for the tests and the screenshots.
    QLabel *heading() const { return title; }
    ElidedLabel *valueLabel(Grade grade) const { return rows[size_t(grade)].value; }
    LinkButton *chooseButton(Grade grade) const { return rows[size_t(grade)].choose; }
    LinkButton *builtInButton(Grade grade) const { return rows[size_t(grade)].builtIn; }
    LinkButton *exportButton() const { return exporter; }
    QMenu *exportMenu() const { return menu; }

Q_SIGNALS:
    // A file dialog is about to open, or has closed: the popover steps aside meanwhile.
    void dialogOpening();
    void dialogClosed();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Row {
        QLabel *name = nullptr;
        ElidedLabel *value = nullptr;
        LinkButton *builtIn = nullptr;
        LinkButton *choose = nullptr;
    };

    void chooseFor(Grade grade);
    void exportFor(Grade grade);
    void withFile(Grade grade, bool save, const std::function<void(const QString &)> &use);
    QString askOpen(Grade grade);
    QString askSave(Grade grade);

    QPointer<ColorTables> tables;
    QLabel *title = nullptr;
    std::array<Row, 3> rows;
    LinkButton *exporter = nullptr;
    QMenu *menu = nullptr;
    Chooser openChooser, saveChooser;
};

} // namespace vidorra
