#include "kit/SettingsPanelControls.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"

#include <QFontDatabase>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {

bool isDark(const QPalette &palette)
{
    return schemeOf(palette) == Scheme::Dark;
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}

constexpr int segmentHeight = 24;
constexpr int segmentPad = 10;

} // namespace

QColor secondaryTextColor(const QPalette &palette)
{
    return Glass::secondary().in(schemeOf(palette));
}

QFont panelMonoFont(int pixelSize, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

// ---- SegmentedChoice ----

SegmentedChoice::SegmentedChoice(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(Fonts::sans(12));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedChoice::setSegments(const QList<Segment> &list)
{
    const QString keep = value();
    segments = list;
    current = -1;
    setValue(keep);
    updateGeometry();
    update();
}

void SegmentedChoice::setValue(const QString &value)
{
    current = -1;
    for (int i = 0; i < segments.size(); ++i)
        if (segments[i].value == value)
            current = i;
    update();
}

QString SegmentedChoice::value() const
{
    return current >= 0 ? segments[current].value : QString();
}

QRect SegmentedChoice::segmentRect(int index) const
{
    if (segments.isEmpty() || index < 0 || index >= segments.size())
        return {};
    // Equal widths, the last segment takes the rounding remainder.
    const int n = int(segments.size());
    const int inner = width() - 4;
    const int w = inner / n;
    const int x = 2 + index * w;
    const int right = index == n - 1 ? width() - 2 : x + w;
    return QRect(x, 2, right - x, height() - 4);
}

QSize SegmentedChoice::sizeHint() const
{
    const QFontMetrics fm(font());
    int widest = 0;
    for (const auto &s : segments)
        widest = std::max(widest, fm.horizontalAdvance(s.text));
    return QSize(int(segments.size()) * (widest + 2 * segmentPad) + 4, segmentHeight);
}

QSize SegmentedChoice::minimumSizeHint() const
{
    return sizeHint();
}

void SegmentedChoice::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const bool dark = isDark(pal);
    const QColor text = pal.color(QPalette::WindowText);

    QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(text, dark ? 0.10 : 0.07));
    p.drawRoundedRect(track, 7, 7);

    for (int i = 0; i < segments.size(); ++i) {
        const QRect r = segmentRect(i);
        if (i == current) {
            p.setBrush(dark ? QColor(255, 255, 255, 48) : QColor(255, 255, 255));
            p.setPen(QPen(withAlpha(text, dark ? 0.0 : 0.12), 0.5));
            p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
        } else if (i > 0 && i - 1 != current) {
            // Thin separator between two unmarked segments.
            p.setPen(QPen(withAlpha(text, 0.15), 1));
            p.drawLine(QPointF(r.left() + 0.5, r.top() + 5), QPointF(r.left() + 0.5, r.bottom() - 4));
        }
        p.setPen(i == current ? text : withAlpha(text, 0.8));
        QFont f = font();
        if (i == current)
            f.setWeight(QFont::Medium);
        p.setFont(f);
        p.drawText(r, Qt::AlignCenter,
                   QFontMetrics(f).elidedText(segments[i].text, Qt::ElideRight, r.width() - 4));
        p.setPen(Qt::NoPen);
    }
    if (hasFocus() && keyboardFocus && current >= 0) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(pal.color(QPalette::Highlight), 0.6), 1.5));
        p.drawRoundedRect(QRectF(segmentRect(current)).adjusted(1, 1, -1, -1), 5, 5);
    }
}

void SegmentedChoice::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (int i = 0; i < segments.size(); ++i)
        if (segmentRect(i).contains(event->position().toPoint()))
            choose(i);
}

void SegmentedChoice::keyPressEvent(QKeyEvent *event)
{
    if (segments.isEmpty())
        return QWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Left && event->modifiers() == Qt::NoModifier)
        choose(std::max(0, current - 1));
    else if (event->key() == Qt::Key_Right && event->modifiers() == Qt::NoModifier)
        choose(std::min(int(segments.size()) - 1, current + 1));
    else
        QWidget::keyPressEvent(event);
}

void SegmentedChoice::focusInEvent(QFocusEvent *event)
{
    keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QWidget::focusInEvent(event);
}

void SegmentedChoice::choose(int index)
{
    if (index < 0 || index >= segments.size() || index == current)
        return;
    current = index;
    update();
    Q_EMIT chosen(segments[index].value);
}

// ---- SwitchToggle ----

namespace {
constexpr int switchWidth = 32;
constexpr int switchHeight = 18;
} // namespace

SwitchToggle::SwitchToggle(const QString &text, QWidget *parent) : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFont(Fonts::sans(11));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
}

QSize SwitchToggle::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 12 + switchWidth, std::max(switchHeight + 4, fm.height()));
}

QRect SwitchToggle::switchRect() const
{
    return QRect(width() - switchWidth - 1, (height() - switchHeight) / 2, switchWidth, switchHeight);
}

void SwitchToggle::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const QColor ink = pal.color(QPalette::WindowText);
    const QRect sw = switchRect();

    p.setPen(ink);
    p.setFont(font());
    const QRect label(0, 0, sw.left() - 8, height());
    p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, label.width()));

    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? Glass::accent().in(schemeOf(pal)) : withAlpha(ink, isDark(pal) ? 0.22 : 0.16));
    p.drawRoundedRect(QRectF(sw), sw.height() / 2.0, sw.height() / 2.0);
    const qreal knob = sw.height() - 4;
    const qreal x = isChecked() ? sw.right() + 1 - 2 - knob : sw.left() + 2;
    p.setBrush(QColor(255, 255, 255));
    p.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    p.drawEllipse(QRectF(x, sw.top() + 2, knob, knob));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(pal.color(QPalette::Highlight), 0.6), 1.5));
        p.drawRoundedRect(QRectF(sw).adjusted(-1.5, -1.5, 1.5, 1.5), sw.height() / 2.0 + 1.5, sw.height() / 2.0 + 1.5);
    }
}

// ---- LinkButton ----

LinkButton::LinkButton(const QString &text, QWidget *parent) : QAbstractButton(parent)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFont(Fonts::sans(11));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setMuted(bool m)
{
    muted = m;
    update();
}

QSize LinkButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 2, fm.height() + 2);
}

void LinkButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QColor c = muted ? secondaryTextColor(palette()) : palette().color(QPalette::Link);
    if (isDown())
        c = c.darker(130);
    QFont f = font();
    f.setUnderline(hovered || hasFocus());
    p.setFont(f);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void LinkButton::enterEvent(QEnterEvent *event)
{
    hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent *event)
{
    hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// ---- ElidedLabel ----

ElidedLabel::ElidedLabel(QWidget *parent) : QWidget(parent)
{
    setFont(Fonts::sans(12));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString &text, const QString &hint)
{
    full = text;
    tip = hint;
    updateTip();
    updateGeometry();
    update();
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(full, Qt::ElideMiddle, width());
}

void ElidedLabel::setMuted(bool m)
{
    muted = m;
    update();
}

QSize ElidedLabel::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(full), fontMetrics().height() + 2);
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(QChar(0x2026)) * 3, fontMetrics().height() + 2);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(muted ? secondaryTextColor(palette()) : palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateTip();
}

void ElidedLabel::updateTip()
{
    setToolTip(!tip.isEmpty() ? tip : shownText() == full ? QString() : full);
}

// ---- InfoButton ----

InfoButton::InfoButton(int size, QWidget *parent) : QAbstractButton(parent), symbolSize(size)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize InfoButton::sizeHint() const
{
    return QSize(symbolSize + 4, symbolSize + 4);
}

void InfoButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = palette().color(QPalette::Link);
    if (!hovered)
        c = c.darker(isDark(palette()) ? 100 : 110);
    if (isDown())
        c = c.darker(130);
    const qreal s = symbolSize;
    const QRectF circle((width() - s) / 2.0 + 0.6, (height() - s) / 2.0 + 0.6, s - 1.2, s - 1.2);
    p.setPen(QPen(c, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);
    // The "i": a dot and a stem.
    const QPointF mid = circle.center();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(mid.x(), circle.top() + s * 0.28), s * 0.075, s * 0.075);
    p.drawRoundedRect(QRectF(mid.x() - s * 0.06, circle.top() + s * 0.42, s * 0.12, s * 0.34), s * 0.04, s * 0.04);
}

void InfoButton::enterEvent(QEnterEvent *event)
{
    hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void InfoButton::leaveEvent(QEvent *event)
{
    hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace vidorra
