#include "ui/piles/ClipCard.h"
#include "kit/Easing.h"

#include "kit/CardIcon.h"
#include "ui/piles/CardReveal.h"
#include "kit/Fonts.h"
#include "kit/HoverButton.h"
#include "kit/Palette.h"

#include "metadata/Labels.h"
#include "ui/frames/FrameView.h"
#include "preview/LUTEngine.h"
#include "preview/PreviewPlayer.h"
#include "text/Language.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPauseAnimation>
#include <QPointer>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace vidorra {

namespace {

// Delay of a card's entrance by its position in the pile; none for the 25th and later,
// which appear at once.
std::optional<int> entranceDelayMs(int order)
{
    if (order > 23)
        return std::nullopt;
    return std::max(0, order) * 15;
}

} // namespace

namespace {
constexpr double radius = 9.0;
constexpr double textBlock = 58.0;      // below the picture: two lines and their spacing
constexpr double dragStart = 4.0;       // a press that moves this far scrubs, not clicks
constexpr int entranceMillis = 280;
constexpr double entranceRise = 10.0;

QFont pillFont() { return Fonts::sans(11, Fonts::Weight::Semibold); }
QFont slowFont() { return Fonts::sans(11, Fonts::Weight::Medium); }
QFont detailFont() { return Fonts::sans(11); }
QFont kelvinFont() { return Fonts::sans(11, Fonts::Weight::Semibold); }
QFont timeFont() { return Fonts::digits(9, Fonts::Weight::Semibold); }
} // namespace

// Lies over the picture so the time label and the ring stay on top of the scrub frames.
class ClipCardOverlay : public QWidget {
public:
    explicit ClipCardOverlay(ClipCard *card) : QWidget(card), card(card)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        card->paintOverlay(p);
    }

private:
    ClipCard *card;
};

ClipCard::ClipCard(QWidget *parent)
    : QWidget(parent)
{
    overlay = new ClipCardOverlay(this);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    colorButton = new CardIcon(QStringLiteral("wand.and.stars"), QString(), false, this);
    playButton = new CardIcon(QStringLiteral("play.fill"), QString(), false, this);
    revealButton = new CardIcon(QStringLiteral("folder.fill"), QString(), false, this);
    retranslate();
    connect(colorButton, &QAbstractButton::clicked, this, [this] {
        override = !lutOn();
        lutChanged();
    });
    connect(playButton, &QAbstractButton::clicked, this, [this] {
        if (item)
            Q_EMIT playRequested(*item);
    });
    connect(revealButton, &QAbstractButton::clicked, this, [this] {
        if (item)
            revealInFileManager({item->url});
    });
    updateIcons();

    auto *rise = new QVariantAnimation(&entrance);
    rise->setStartValue(0.0);
    rise->setEndValue(1.0);
    rise->setDuration(entranceMillis);
    rise->setEasingCurve(easeOut());
    connect(rise, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        arrival = v.toDouble();
        update();
    });
    connect(&entrance, &QAbstractAnimation::finished, this, [this] {
        arrival = 1.0;
        updateIcons();
        update();
    });
}

ClipCard::~ClipCard()
{
    if (scrub && item)
        PreviewPlayer::stop(item->id);
}

void ClipCard::setClip(const Planned &clip, int order)
{
    const bool same = item && item->id == clip.id;
    place = order;
    if (same) {
        item = clip;
        update();
        return;
    }
    endScrub();
    picture.cancel();
    if (hovered && item)
        Q_EMIT hoverChanged(*item, false);
    item = clip;
    override.reset();
    picture.clear();
    entrance.stop();
    entered = false;
    arrival = 0.0;
    setToolTip(QFileInfo(clip.url).fileName());
    updateIcons();
    if (isVisible()) {
        startEntrance();
        loadPicture();
    }
    update();
}

void ClipCard::clearClip()
{
    endScrub();
    picture.cancel();
    if (hovered && item)
        Q_EMIT hoverChanged(*item, false);
    item.reset();
    picture.clear();
    setToolTip({});
    update();
}

void ClipCard::setSelected(bool selected)
{
    if (chosen == selected)
        return;
    chosen = selected;
    update();
}

void ClipCard::setGlobalLUT(bool on)
{
    if (globalLUT == on)
        return;
    const bool before = lutOn();
    globalLUT = on;
    override.reset(); // the window's switch always wins over the card's own choice
    if (before != lutOn())
        lutChanged();
    else
        updateIcons();
}

CubePtr ClipCard::cube() const
{
    if (!item || !lutOn())
        return {};
    return LUTEngine::cube(item->info);
}

void ClipCard::gradingChanged()
{
    if (lutOn())
        lutChanged();
}

void ClipCard::lutChanged()
{
    updateIcons();
    if (isVisible())
        loadPicture();
    // Grading switches live during a scrub: start again with the new table, same place.
    if (scrub && item) {
        PreviewPlayer::start(item->url, item->id, cube());
        PreviewPlayer::scrub(*scrub, item->id);
    }
    update();
}

void ClipCard::retranslate()
{
    colorButton->setHelp(L("Color"));
    playButton->setHelp(L("Play"));
    revealButton->setHelp(L("Show in Folder"));
}

void ClipCard::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

QRectF ClipCard::pictureRect() const
{
    const double w = width();
    return {0.0, 0.0, w, w * 9.0 / 16.0};
}

QSize ClipCard::sizeHint() const
{
    return {228, heightForWidth(228)};
}

int ClipCard::heightForWidth(int w) const
{
    return int(std::ceil(w * 9.0 / 16.0 + textBlock));
}

QString ClipCard::timeText() const
{
    return cardTimeText(item ? item->info.duration : 0.0, scrub);
}

CardDetails ClipCard::details() const
{
    return item ? cardDetails(item->info) : CardDetails{};
}

QColor ClipCard::kelvinColor() const
{
    return temperatureColor(item ? item->info.kelvin : QString(), schemeOf(this));
}

// ---- picture ----

void ClipCard::loadPicture()
{
    if (!item)
        return;
    const CubePtr table = cube();
    picture.load(item->url + QLatin1Char('|') + (table ? table->id() : QString()), item->url, item->info.duration,
                 table);
}

// ---- scrubbing ----

void ClipCard::scrubAt(double x)
{
    const double w = pictureRect().width();
    if (!item || w <= 0)
        return;
    if (!scrub) {
        PreviewPlayer::start(item->url, item->id, cube());
        if (!layer) {
            layer = new PreviewLayer(this);
            layer->setAttribute(Qt::WA_TransparentForMouseEvents, true);
        }
        layer->setGeometry(pictureRect().toAlignedRect());
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(QPointF(0, 0), pictureRect().size()), radius, radius);
        layer->setMask(QRegion(rounded.toFillPolygon().toPolygon()));
        layer->show();
        // Time label, ring and icons stay above the moving picture.
        overlay->raise();
        colorButton->raise();
        playButton->raise();
        revealButton->raise();
    }
    scrub = std::clamp(x / w, 0.0, 1.0);
    PreviewPlayer::scrub(*scrub, item->id);
    update();
}

void ClipCard::endScrub()
{
    if (!scrub)
        return;
    scrub.reset();
    if (layer)
        layer->hide();
    if (item)
        PreviewPlayer::stop(item->id);
    update();
}

// ---- appearance on screen ----

void ClipCard::startEntrance()
{
    if (entered)
        return;
    entered = true;
    const std::optional<int> delay = entranceDelayMs(place);
    if (!delay) {
        arrival = 1.0;
        updateIcons();
        return;
    }
    arrival = 0.0;
    entrance.stop();
    // The group holds an optional pause and then the rise.
    while (entrance.animationCount() > 1)
        delete entrance.takeAnimation(0);
    if (*delay > 0)
        entrance.insertAnimation(0, new QPauseAnimation(*delay, &entrance));
    entrance.start();
}

void ClipCard::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    startEntrance();
    loadPicture();
}

void ClipCard::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    endScrub();
    picture.cancel();
}

void ClipCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    picture.resized();
    placeIcons();
    overlay->setGeometry(rect());
    if (layer)
        layer->setGeometry(pictureRect().toAlignedRect());
}

// ---- icons ----

void ClipCard::placeIcons()
{
    const QRectF r = pictureRect();
    const int gap = 6;
    int x = int(r.right()) - gap;
    for (CardIcon *icon : {revealButton, playButton, colorButton}) {
        if (icon == colorButton && !(item && LUTEngine::cube(item->info)))
            continue;
        x -= icon->width();
        icon->move(x, int(r.top()) + gap);
        x -= 4;
    }
}

void ClipCard::updateIcons()
{
    const bool takesTable = item && LUTEngine::cube(item->info);
    // The icons are children, so the card's fade would not hide them: they wait for it.
    const bool shown = hovered && item && arrival >= 1.0;
    colorButton->setActive(lutOn());
    colorButton->setVisible(shown && takesTable);
    playButton->setVisible(shown);
    revealButton->setVisible(shown);
    placeIcons();
}

// ---- pointer ----

void ClipCard::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    hovered = true;
    updateIcons();
    if (item)
        Q_EMIT hoverChanged(*item, true);
    update();
}

void ClipCard::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    hovered = false;
    endScrub();
    updateIcons();
    if (item)
        Q_EMIT hoverChanged(*item, false);
    update();
}

void ClipCard::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressAt = event->position();
    pressOnPicture = pictureRect().contains(event->position());
    event->accept();
}

void ClipCard::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    const bool dragging = pressAt && (event->buttons() & Qt::LeftButton);
    if (dragging && pressOnPicture) {
        // A drag from the picture scrubs from wherever the pointer is, once it has moved.
        if ((pos - *pressAt).manhattanLength() >= dragStart || scrub)
            scrubAt(pos.x());
    } else if (pictureRect().contains(pos)) {
        scrubAt(pos.x());
    } else {
        endScrub();
    }
    event->accept();
}

void ClipCard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !pressAt)
        return QWidget::mouseReleaseEvent(event);
    const bool moved = (event->position() - *pressAt).manhattanLength() >= dragStart;
    pressAt.reset();
    event->accept();
    if (skipRelease) {
        skipRelease = false;
        return;
    }
    if (!moved && item && rect().contains(event->position().toPoint()))
        Q_EMIT clicked(*item, event->modifiers());
}

void ClipCard::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    // The first click of the pair has already selected; this one plays.
    skipRelease = true;
    pressAt = event->position();
    event->accept();
    if (item)
        Q_EMIT playRequested(*item);
}

QMenu *ClipCard::makeContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    if (!item)
        return menu;
    const Planned clip = *item;
    QPointer<ClipCard> self(this);
    menu->addAction(L("Play"), this, [self, clip] {
        if (self)
            Q_EMIT self->playRequested(clip);
    });
    menu->addAction(L("Show in Folder"), [clip] { revealInFileManager({clip.url}); });
    menu->addSeparator();
    const QString del = chosen && selectionCount > 1 ? L("Delete %d Clips", {selectionCount}) : L("Delete");
    menu->addAction(del, this, [self, clip] {
        if (self)
            Q_EMIT self->trashRequested(clip);
    });
    return menu;
}

void ClipCard::contextMenuEvent(QContextMenuEvent *event)
{
    if (!item)
        return;
    endScrub();
    QMenu *menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose, true);
    menu->popup(event->globalPos());
    event->accept();
}

// ---- painting ----

void ClipCard::paintOverlay(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    if (arrival < 1.0) {
        p.setOpacity(arrival);
        p.translate(0, entranceRise * (1.0 - arrival));
    }
    const Scheme scheme = schemeOf(this);
    const QRectF pic = pictureRect();
    // Time label in the picture's corner.
    if (item) {
        const QFont tf = timeFont();
        const QFontMetricsF fm(tf);
        const QString time = timeText();
        const double w = fm.horizontalAdvance(time) + 10, h = fm.height() + 4;
        const QRectF box(pic.right() - 6 - w, pic.bottom() - 6 - h, w, h);
        QPainterPath chip;
        chip.addRoundedRect(box, 4, 4);
        p.fillPath(chip, QColor(0, 0, 0, 150));
        p.setFont(tf);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, time);
    }

    // Selection ring, or a faint ring under the pointer.
    if (chosen) {
        p.setPen(QPen(Glass::accent().in(scheme), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(pic.adjusted(1.25, 1.25, -1.25, -1.25), radius - 1, radius - 1);
    } else if (hovered) {
        p.setPen(QPen(faded(Glass::primary().in(scheme), 0.18), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(pic.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
}

void ClipCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (arrival < 1.0) {
        p.setOpacity(arrival);
        p.translate(0, entranceRise * (1.0 - arrival));
    }
    const Scheme scheme = schemeOf(this);
    const QRectF pic = pictureRect();
    picture.paint(p, pic, radius, Glass::placeholder().in(scheme));

    if (!item)
        return;

    // First line: the profile in its pill, then "Slow Motion".
    double y = pic.bottom() + 9;
    const Pill pill = profilePill(item->profile);
    const QFont pf = pillFont();
    const QFontMetricsF pm(pf);
    const double pillH = pm.height() + 3;
    const QRectF pillBox(1, y, pm.horizontalAdvance(item->profile) + 12, pillH);
    QPainterPath capsule;
    capsule.addRoundedRect(pillBox, pillH / 2, pillH / 2);
    p.fillPath(capsule, pill.background.in(scheme));
    p.setFont(pf);
    p.setPen(pill.foreground.in(scheme));
    p.drawText(pillBox, Qt::AlignCenter, item->profile);
    if (isSlowMotion(item->info)) {
        const QFont sf = slowFont();
        p.setFont(sf);
        p.setPen(faded(Glass::primary().in(scheme), 0.82));
        p.drawText(QRectF(pillBox.right() + 4, y, width() - pillBox.right() - 4, pillH),
                   Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("· ") + L("Slow Motion"));
    }

    // Second line: resolution, rate and ISO, then the white balance in its colour.
    y = pillBox.bottom() + 5;
    const CardDetails d = details();
    const QFont df = detailFont();
    const QFontMetricsF dm(df);
    const double baseline = y + dm.ascent();
    double x = 2;
    p.setFont(df);
    p.setPen(Glass::secondary().in(scheme));
    const QString parts = dm.elidedText(d.parts, Qt::ElideRight, width() - 4);
    p.drawText(QPointF(x, baseline), parts);
    x += dm.horizontalAdvance(parts);
    if (!d.kelvin.isEmpty()) {
        const QString sep = d.parts.isEmpty() ? QString() : QStringLiteral(" · ");
        p.drawText(QPointF(x, baseline), sep);
        x += dm.horizontalAdvance(sep);
        p.setFont(kelvinFont());
        p.setPen(kelvinColor());
        p.drawText(QPointF(x, baseline), d.kelvin);
    }
}

} // namespace vidorra
