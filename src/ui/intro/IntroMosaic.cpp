#include "ui/intro/IntroMosaic.h"

#include "kit/ChaosLayout.h"
#include "ui/intro/ChaosTile.h"
#include "kit/Fonts.h"
#include "kit/OrganizeButton.h"
#include "kit/Palette.h"
#include "text/Language.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace vidorra {

namespace {
// Fixed near-white and near-black, whatever the palette says.
QColor mosaicBackground(const QWidget *w)
{
    return schemeOf(w) == Scheme::Dark ? QColor(19, 20, 23) : QColor(245, 242, 236);
}
// Whole pixels without gaps or overlaps between neighbours.
QRect snapped(const QRectF &r)
{
    const int left = qRound(r.left()), top = qRound(r.top());
    return QRect(left, top, qRound(r.right()) - left, qRound(r.bottom()) - top);
}
} // namespace

IntroMosaic::IntroMosaic(QWidget *parent)
    : QWidget(parent), button(new OrganizeButton(L("Organize"), true, this)), progress(new QLabel(this))
{
    progress->setFont(Fonts::sans(11));
    progress->setAlignment(Qt::AlignCenter);
    progress->setAutoFillBackground(false);
    progress->hide();
    styleProgress();
    connect(button, &QAbstractButton::clicked, this, &IntroMosaic::organizeClicked);
}

void IntroMosaic::setClips(const QList<Planned> &list)
{
    clips = list;
    place();
}

void IntroMosaic::setProgress(bool scanning, int done, int total)
{
    readDone = done;
    readTotal = total;
    progress->setText(L("Reading %d of %d", {done, total}));
    progress->setVisible(scanning);
    place();
}

QString IntroMosaic::progressText() const { return progress->isVisibleTo(this) ? progress->text() : QString(); }

QList<ChaosTile *> IntroMosaic::tiles() const
{
    QList<ChaosTile *> out;
    for (ChaosTile *t : pool) {
        if (t->isVisibleTo(this) && t->clip())
            out.append(t);
    }
    return out;
}

void IntroMosaic::resizeEvent(QResizeEvent *) { place(); }

void IntroMosaic::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        styleProgress();
    if (event->type() == QEvent::LanguageChange) {
        button->setTitle(L("Organize"));
        progress->setText(L("Reading %d of %d", {readDone, readTotal}));
        place();
    }
    QWidget::changeEvent(event);
}

void IntroMosaic::place()
{
    const QList<ChaosSlot> slots = chaosLayout(int(clips.size()), width(), height());
    qsizetype used = 0;
    for (const ChaosSlot &slot : slots) {
        if (slot.clip < 0)
            continue;
        if (used == pool.size()) {
            auto *tile = new ChaosTile(this);
            tile->lower();
            pool.append(tile);
        }
        ChaosTile *tile = pool[used++];
        const Planned &item = clips[slot.clip];
        if (!tile->clip() || tile->clip()->id != item.id || tile->clip()->url != item.url)
            tile->setClip(item);
        tile->setGeometry(snapped(slot.rect));
        tile->show();
    }
    // Tiles not needed any more stop their players and let go of their clips.
    for (qsizetype i = used; i < pool.size(); ++i) {
        pool[i]->hide();
        pool[i]->clearClip();
    }

    const QSize hint = button->sizeHint();
    button->setGeometry((width() - hint.width()) / 2, (height() - hint.height()) / 2, hint.width(), hint.height());
    button->raise();
    const int pw = progress->sizeHint().width();
    progress->setGeometry((width() - pw) / 2, button->geometry().bottom() + 14, pw, 22);
    progress->raise();
    update();
}

void IntroMosaic::styleProgress()
{
    // A soft capsule keeps the text readable over moving pictures.
    const bool dark = schemeOf(this) == Scheme::Dark;
    progress->setStyleSheet(dark ? QStringLiteral("QLabel { color: rgb(235,235,238); background: rgba(19,20,23,215);"
                                                  " border-radius: 11px; padding: 0 12px; }")
                                 : QStringLiteral("QLabel { color: rgb(40,38,36); background: rgba(245,242,236,215);"
                                                  " border-radius: 11px; padding: 0 12px; }"));
}

void IntroMosaic::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), mosaicBackground(this));
}

} // namespace vidorra
