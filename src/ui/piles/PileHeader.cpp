#include "ui/piles/PileHeader.h"

#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"
#include "kit/ProfileTag.h"
#include "ui/window/WindowState.h"
#include "text/Language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vidorra {

PileHeader::PileHeader(QWidget *parent)
    : QWidget(parent), back(new QPushButton(this)), tag(new ProfileTag(QString(), QColor(), this)),
      titleLabel(new QLabel(this)), detailLabel(new QLabel(this))
{
    back->setFlat(true);
    back->setCursor(Qt::PointingHandCursor);
    back->setFocusPolicy(Qt::NoFocus);
    back->setFont(Fonts::sans(13, Fonts::Weight::Medium));
    titleLabel->setFont(Fonts::sans(26));
    detailLabel->setFont(Fonts::sans(11));

    auto *texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(titleLabel);
    texts->addWidget(detailLabel);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 2, 16, 6);
    row->setSpacing(12);
    row->addWidget(back);
    row->addWidget(tag, 0, Qt::AlignVCenter);
    row->addLayout(texts);
    row->addStretch(1);
    connect(back, &QPushButton::clicked, this, &PileHeader::backClicked);
    restyle();
}

void PileHeader::setPile(const QList<Planned> &items)
{
    profile = items.isEmpty() ? QString() : items.first().profile;
    const PileHeading h = items.isEmpty() ? PileHeading{} : pileHeading(items.first());
    titleLabel->setText(h.title);
    detailLabel->setText(h.detail.value_or(QString()));
    detailLabel->setVisible(h.detail.has_value());
    restyle();
}

QString PileHeader::title() const { return titleLabel->text(); }
QString PileHeader::detail() const { return detailLabel->isVisibleTo(this) ? detailLabel->text() : QString(); }

void PileHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::LanguageChange)
        restyle();
    QWidget::changeEvent(event);
}

void PileHeader::restyle()
{
    back->setText(L("Back"));
    back->setIcon(Icons::icon(QStringLiteral("chevron.left"), Glass::primary().on(this), Icons::Weight::Medium));
    tag->setProfile(profile, profilePill(profile).foreground.on(this));
    tag->setVisible(!profile.isEmpty());
    QPalette p = detailLabel->palette();
    p.setColor(QPalette::WindowText, Glass::secondary().on(this));
    detailLabel->setPalette(p);
}

} // namespace vidorra
