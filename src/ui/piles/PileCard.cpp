#include "ui/piles/PileCard.h"
#include "kit/Easing.h"

#include "ui/piles/CardText.h"
#include "kit/Fonts.h"
#include "kit/HoverButton.h"
#include "kit/Palette.h"

#include "preview/LUTEngine.h"
#include "text/Language.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>

namespace vidorra {

namespace {
constexpr double radius = 12.0;
constexpr double stackRoom = 14.0;   // above the front card, for the cards behind it
constexpr double padding = 12.0;
constexpr double textBlock = 98.0;   // accent, title and count, detail, settings and totals

QFont titleFont() { return Fonts::sans(15, Fonts::Weight::Semibold); }
QFont detailFont() { return Fonts::sans(11); }
QFont countFont() { return Fonts::sans(11, Fonts::Weight::Semibold); }
QFont lineFont() { return Fonts::sans(11); }
} // namespace

PileCard::PileCard(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_Hover, true);
    setCursor(Qt::PointingHandCursor);
    liftAnim.setDuration(200);
    liftAnim.setEasingCurve(easeOut());
    connect(&liftAnim, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        raised = v.toDouble();
        update();
    });
}

void PileCard::setPile(const QList<Planned> &items, const QString &title, const std::optional<QString> &detail,
                       const QString &count, const QColor &accentColor, bool grading)
{
    clips = items;
    heading = title;
    subheading = detail;
    countLabel = count;
    accent = accentColor;
    colorOn = grading;
    settings = pileSettingsLine(items);
    totals = pileTotalsLine(items);
    setToolTip(title);
    refreshPicture();
    update();
}

void PileCard::clearPile()
{
    picture.cancel();
    clips.clear();
    picture.clear();
    update();
}

QSize PileCard::sizeHint() const
{
    return {260, heightForWidth(260)};
}

int PileCard::heightForWidth(int w) const
{
    const double pictureW = w - 2 * padding;
    return int(std::ceil(stackRoom + padding + pictureW * 9.0 / 16.0 + textBlock));
}

QRectF PileCard::pictureRect() const
{
    const double w = width() - 2 * padding;
    return {padding, stackRoom + padding, w, w * 9.0 / 16.0};
}

void PileCard::gradingChanged()
{
    if (isVisible())
        loadPicture();
}

void PileCard::loadPicture()
{
    if (clips.isEmpty())
        return;
    const Planned &first = clips.first();
    const CubePtr cube = colorOn ? LUTEngine::cube(first.info) : CubePtr();
    // The table's id, so another table in force asks for the picture again.
    const QString key = first.url + QLatin1Char('|') + QString::number(clips.size()) + QLatin1Char('|')
        + (cube ? cube->id() : QStringLiteral("plain"));
    picture.load(key, first.url, first.info.duration, cube);
}

void PileCard::refreshPicture()
{
    if (isVisible() && !visibleRegion().isEmpty())
        loadPicture();
    else
        picture.cancel();
}

void PileCard::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshPicture();
}

void PileCard::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    picture.cancel();
}

void PileCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    picture.resized();
}

void PileCard::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    hovered = true;
    liftAnim.stop();
    liftAnim.setStartValue(raised);
    liftAnim.setEndValue(1.0);
    liftAnim.start();
    Q_EMIT hoverChanged(true);
}

void PileCard::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    hovered = false;
    pressed = false;
    liftAnim.stop();
    liftAnim.setStartValue(raised);
    liftAnim.setEndValue(0.0);
    liftAnim.start();
    Q_EMIT hoverChanged(false);
}

void PileCard::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PileCard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && pressed) {
        pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            Q_EMIT activated();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

QMenu *PileCard::makeContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QPointer<PileCard> self(this);
    menu->addAction(L("Show in Folder"), this, [self] {
        if (self)
            Q_EMIT self->revealRequested();
    });
    menu->addSeparator();
    menu->addAction(L("Delete"), this, [self] {
        if (self)
            Q_EMIT self->deleteRequested();
    });
    return menu;
}

void PileCard::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose, true);
    menu->popup(event->globalPos());
    event->accept();
}

void PileCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const Scheme scheme = schemeOf(this);
    const QColor fill = solidFill().in(scheme);
    const QColor edge = faded(Glass::primary().in(scheme), scheme == Scheme::Dark ? 0.14 : 0.09);
    const QRectF front = QRectF(rect()).adjusted(0.5, stackRoom + 0.5, -0.5, -0.5);

    // The cards behind: narrower and higher, and higher still under the pointer.
    for (int i = 2; i >= 1; --i) {
        const double inset = 10.0 * i;
        const double up = (5.0 + 2.0 * raised) * i;
        const QRectF back = front.adjusted(inset, -up, -inset, -front.height() + 48);
        QPainterPath path;
        path.addRoundedRect(back, radius, radius);
        p.fillPath(path, blend(fill, Glass::placeholder().in(scheme), 0.35 + 0.2 * i));
        p.setPen(QPen(edge, 1.0));
        p.drawPath(path);
    }

    QPainterPath card;
    card.addRoundedRect(front, radius, radius);
    p.fillPath(card, fill);
    p.setPen(QPen(hovered ? faded(accent, 0.55) : edge, hovered ? 1.5 : 1.0));
    p.drawPath(card);

    // Picture.
    const QRectF pic = pictureRect();
    picture.paint(p, pic, radius - 4, Glass::placeholder().in(scheme));

    // Accent: a short bar in the profile's colour under the picture.
    const double textX = padding + 2;
    const double textW = width() - 2 * padding - 4;
    double y = pic.bottom() + 10;
    QPainterPath bar;
    bar.addRoundedRect(QRectF(textX, y, 22, 3), 1.5, 1.5);
    p.fillPath(bar, accent);
    y += 9;

    auto line = [&](const QFont &font, const QColor &color, const QString &text) {
        const QFontMetricsF fm(font);
        p.setFont(font);
        p.setPen(color);
        p.drawText(QPointF(textX, y + fm.ascent()), fm.elidedText(text, Qt::ElideRight, textW));
        y += fm.height() + 3;
    };

    // Title with the count at the right.
    const QFont tf = titleFont();
    const QFontMetricsF tm(tf);
    const QFont cf = countFont();
    const QFontMetricsF cm(cf);
    const double countW = cm.horizontalAdvance(countLabel);
    p.setFont(cf);
    p.setPen(Glass::secondary().in(scheme));
    p.drawText(QPointF(textX + textW - countW, y + tm.ascent()), countLabel);
    p.setFont(tf);
    p.setPen(Glass::primary().in(scheme));
    p.drawText(QPointF(textX, y + tm.ascent()), tm.elidedText(heading, Qt::ElideRight, textW - countW - 8));
    y += tm.height() + 2;

    if (subheading)
        line(detailFont(), Glass::secondary().in(scheme), *subheading);
    if (!settings.isEmpty())
        line(lineFont(), Glass::secondary().in(scheme), settings);
    line(lineFont(), Glass::secondary().in(scheme), totals);
}

} // namespace vidorra
