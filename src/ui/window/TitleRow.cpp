#include "ui/window/TitleRow.h"

#include "kit/Appearance.h"
#include "kit/Fonts.h"
#include "kit/HoverTip.h"
#include "kit/IconTool.h"
#include "kit/Palette.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace vidorra {

TitleRow::TitleRow(Model *model, QWidget *parent)
    : QWidget(parent), model(model), undo(new IconTool(QStringLiteral("arrow.uturn.backward"), L("Undo"))),
      del(new IconTool(QStringLiteral("trash"), L("Delete"))), color(new IconTool(QStringLiteral("wand.and.stars"), L("Color"))),
      rename(new IconTool(QStringLiteral("pencil"), L("Rename"))),
      settings(new IconTool(QStringLiteral("gearshape"), L("Settings"))), theme(new IconTool(QStringLiteral("moon"), L("Dark")))
{
    setFixedHeight(52);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 10, 14, 4);
    row->setSpacing(4);
    row->addStretch(1);
    for (IconTool *t : {undo, del, color, rename, settings, theme}) {
        t->setParent(this);
        t->setFocusPolicy(Qt::NoFocus);
        row->addWidget(t);
    }
    connect(undo, &QAbstractButton::clicked, this, &TitleRow::undoClicked);
    connect(del, &QAbstractButton::clicked, this, &TitleRow::deleteClicked);
    connect(color, &QAbstractButton::clicked, this, &TitleRow::colorClicked);
    connect(rename, &QAbstractButton::clicked, this, &TitleRow::renameClicked);
    connect(settings, &QAbstractButton::clicked, this, &TitleRow::settingsClicked);
    connect(theme, &QAbstractButton::clicked, this, &TitleRow::themeClicked);
    for (auto signal : {&Model::movesChanged, &Model::organizedChanged, &Model::selectedItemsChanged,
                        &Model::scanningChanged, &Model::libChanged, &Model::lutEnabledChanged,
                        &Model::resultChanged})
        connect(model, signal, this, &TitleRow::refresh);
    connect(AppearanceNotifier::instance(), &AppearanceNotifier::schemeChanged, this, &TitleRow::refresh);
    refresh();
}

void TitleRow::refresh()
{
    const bool scanning = model->scanning();
    const bool hasClips = model->result() && !model->result()->items.isEmpty();
    undo->setVisible(!model->moves().isEmpty());
    del->setVisible(model->organized() && !model->selectedItems().isEmpty() && !scanning);
    color->setVisible(model->lib().anyColor);
    color->setOn(model->lutEnabled());
    rename->setVisible(model->organized() && hasClips && !scanning);
    const bool dark = currentScheme() == Scheme::Dark;
    theme->setSymbol(dark ? QStringLiteral("sun.max") : QStringLiteral("moon"));
    theme->setHelp(dark ? L("Light") : L("Dark"));
    undo->setHelp(L("Undo"));
    del->setHelp(L("Delete"));
    color->setHelp(L("Color"));
    rename->setHelp(L("Rename"));
    settings->setHelp(L("Settings"));
}

void TitleRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        refresh();
    QWidget::changeEvent(event);
}

void TitleRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(Fonts::sans(15, Fonts::Weight::Semibold, 4.0));
    p.setPen(Glass::primary().on(this));
    p.drawText(QRect(20, 10, width() / 2, height() - 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VIDORRA"));
}

} // namespace vidorra
