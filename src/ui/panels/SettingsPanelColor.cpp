#include "ui/panels/SettingsPanelColor.h"

#include "ui/window/ColorTables.h"
#include "kit/Fonts.h"
#include "kit/SettingsPanelControls.h"
#include "text/Language.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace vidorra {

namespace {

QLabel *smallLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setFont(Fonts::sans(11));
    return label;
}

// The window the popover hangs from: dialogs belong to it, not to the popover that hides.
QWidget *dialogParent(QWidget *w)
{
    QWidget *popover = w->window();
    return popover->parentWidget() ? popover->parentWidget()->window() : popover;
}

QString suffix(LUTEngine::Grade grade)
{
    switch (grade) {
    case LUTEngine::Grade::dLog: return QStringLiteral("DLog");
    case LUTEngine::Grade::dLog2: return QStringLiteral("DLog2");
    case LUTEngine::Grade::general: break;
    }
    return QStringLiteral("General");
}

} // namespace

ColorSection::ColorSection(ColorTables *t, QWidget *parent) : QWidget(parent), tables(t)
{
    setObjectName(QStringLiteral("colorSection"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    title = smallLabel(this, QStringLiteral("colorLabel"));
    column->addWidget(title);

    for (Grade grade : LUTEngine::grades) {
        Row &row = rows[size_t(grade)];
        row.name = smallLabel(this, QStringLiteral("colorProfile") + suffix(grade));
        row.value = new ElidedLabel(this);
        row.value->setObjectName(QStringLiteral("colorTable") + suffix(grade));
        row.builtIn = new LinkButton(QString(), this);
        row.builtIn->setObjectName(QStringLiteral("useBuiltIn") + suffix(grade));
        row.choose = new LinkButton(QString(), this);
        row.choose->setObjectName(QStringLiteral("chooseTable") + suffix(grade));

        auto *line = new QHBoxLayout;
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(10);
        line->addWidget(row.value, 1);
        line->addWidget(row.builtIn);
        line->addWidget(row.choose);
        auto *block = new QVBoxLayout;
        block->setContentsMargins(0, 2, 0, 0);
        block->setSpacing(1);
        block->addWidget(row.name);
        block->addLayout(line);
        column->addLayout(block);

        connect(row.choose, &QAbstractButton::clicked, this, [this, grade] { chooseFor(grade); });
        connect(row.builtIn, &QAbstractButton::clicked, this, [this, grade] {
            if (tables)
                tables->useBuiltIn(grade);
        });
    }

    menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("exportMenu"));
    for (Grade grade : LUTEngine::grades)
        connect(menu->addAction(QString()), &QAction::triggered, this, [this, grade] { exportFor(grade); });
    exporter = new LinkButton(QString(), this);
    exporter->setObjectName(QStringLiteral("exportBuiltIn"));
    column->addSpacing(2);
    column->addWidget(exporter);
    connect(exporter, &QAbstractButton::clicked, this, [this] {
        menu->popup(exporter->mapToGlobal(QPoint(0, exporter->height())));
    });

    if (tables)
        connect(tables, &ColorTables::changed, this, &ColorSection::refresh);
    retranslate();
    restyle();
}

void ColorSection::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    else if (event->type() == QEvent::PaletteChange)
        restyle();
    QWidget::changeEvent(event);
}

void ColorSection::retranslate()
{
    title->setText(L("Color"));
    const QList<QAction *> actions = menu->actions();
    for (Grade grade : LUTEngine::grades) {
        Row &row = rows[size_t(grade)];
        row.name->setText(ColorTables::profileName(grade));
        row.choose->setText(L("Choose…"));
        row.builtIn->setText(L("Use Built-in"));
        row.choose->setToolTip(L("Grade %@ with a .cube color table", {ColorTables::profileName(grade)}));
        actions[qsizetype(grade)]->setText(ColorTables::profileName(grade));
        for (QWidget *w : {static_cast<QWidget *>(row.choose), static_cast<QWidget *>(row.builtIn)})
            w->updateGeometry();
    }
    exporter->setText(L("Export Built-in…"));
    exporter->setToolTip(L("Save a built-in grade as a .cube file for other tools"));
    exporter->updateGeometry();
    refresh();
}

void ColorSection::restyle()
{
    const QColor secondary = secondaryTextColor(palette());
    QList<QLabel *> labels{title};
    for (const Row &row : rows)
        labels.append(row.name);
    for (QLabel *label : labels) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, secondary);
        label->setPalette(pal);
    }
}

void ColorSection::refresh()
{
    for (Grade grade : LUTEngine::grades) {
        Row &row = rows[size_t(grade)];
        const ColorTables::State s = tables ? tables->state(grade) : ColorTables::State{};
        if (!s.path)
            row.value->setText(L("Built-in"));
        else if (s.inForce)
            row.value->setText(s.name, QDir::toNativeSeparators(*s.path));
        else
            row.value->setText(L("%@ (not loaded, built-in in use)", {s.name}), QDir::toNativeSeparators(*s.path));
        row.value->setMuted(!s.path || !s.inForce);
        row.builtIn->setVisible(s.path.has_value());
    }
}

void ColorSection::chooseFor(Grade grade)
{
    withFile(grade, false, [this, grade](const QString &path) { tables->choose(grade, path); });
}

void ColorSection::exportFor(Grade grade)
{
    withFile(grade, true, [this, grade](const QString &path) { tables->exportBuiltIn(grade, path); });
}

// The popover steps aside while the user picks a file, then the answer is used.
void ColorSection::withFile(Grade grade, bool save, const std::function<void(const QString &)> &use)
{
    Q_EMIT dialogOpening();
    const Chooser &chooser = save ? saveChooser : openChooser;
    const QString path = chooser ? chooser(grade) : save ? askSave(grade) : askOpen(grade);
    if (!path.isEmpty() && tables)
        use(path);
    Q_EMIT dialogClosed();
}

QString ColorSection::askOpen(Grade grade)
{
    const ColorTables::State s = tables ? tables->state(grade) : ColorTables::State{};
    QFileDialog dialog(dialogParent(this), L("Choose a Color Table for %@", {ColorTables::profileName(grade)}));
    dialog.setObjectName(QStringLiteral("colorTableChooser"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({L("Color tables (*.cube *.CUBE)"), L("All files (*)")});
    dialog.setDirectory(s.path ? QFileInfo(*s.path).absolutePath() : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString ColorSection::askSave(Grade grade)
{
    QFileDialog dialog(dialogParent(this), L("Export the Built-in Grade for %@", {ColorTables::profileName(grade)}));
    dialog.setObjectName(QStringLiteral("colorTableExporter"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(L("Color tables (*.cube *.CUBE)"));
    dialog.setDefaultSuffix(QStringLiteral("cube"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(ColorTables::exportTitle(grade) + QStringLiteral(".cube"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace vidorra
