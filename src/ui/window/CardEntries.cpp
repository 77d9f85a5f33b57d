#include "ui/window/CardEntries.h"

#include "kit/Fonts.h"
#include "kit/OpenFolderButton.h"
#include "kit/Palette.h"
#include "ui/window/WindowState.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace vidorra {

QString cardCaption(int clips, qint64 bytes)
{
    return L("Card") + QStringLiteral(" · ") + clipCount(clips) + QStringLiteral(" · ")
           + Language::locale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

CardEntries::CardEntries(Model *model, QWidget *parent) : QWidget(parent), model(model), column(new QVBoxLayout(this))
{
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (auto signal : {&Model::cardsChanged, &Model::importingChanged})
        connect(model, signal, this, &CardEntries::refresh);
    refresh();
}

QStringList CardEntries::captions() const
{
    QStringList out;
    for (QWidget *w : made) {
        if (auto *label = qobject_cast<QLabel *>(w))
            out << label->text();
    }
    return out;
}

void CardEntries::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        refresh(); // every text of the entries is made there
    QWidget::changeEvent(event);
}

void CardEntries::refresh()
{
    qDeleteAll(made);
    made.clear();
    entries.clear();
    for (const Card &card : model->cards()) {
        auto *caption = new QLabel(cardCaption(card.clips, card.bytes), this);
        caption->setFont(Fonts::sans(11));
        caption->setAlignment(Qt::AlignHCenter);
        QPalette pal = caption->palette();
        pal.setColor(QPalette::WindowText, Glass::secondary().on(this));
        caption->setPalette(pal);
        auto *button = new OpenFolderButton(L("Import from %@…", {card.name}), this);
        button->setSymbol(QStringLiteral("sdcard"));
        button->setEnabled(!model->importing());
        button->setToolTip(card.root);
        connect(button, &QAbstractButton::clicked, model, [m = model, card] { m->importCard(card); });
        caption->setContentsMargins(0, made.isEmpty() ? 0 : 10, 0, 0);
        column->addWidget(caption, 0, Qt::AlignHCenter);
        column->addWidget(button, 0, Qt::AlignHCenter);
        made << caption << button;
        entries << button;
    }
    setVisible(!entries.isEmpty());
    adjustSize();
    Q_EMIT changed();
}

} // namespace vidorra
