#include "kit/ProfileTag.h"

#include "kit/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {
constexpr double side = 10.0;
constexpr double capsuleHeight = 22.0;
QFont tagFont() { return Fonts::sans(11, Fonts::Weight::Medium, 1.4); }
} // namespace

ProfileTag::ProfileTag(const QString &profile, const QColor &color, QWidget *parent)
    : QWidget(parent), name(profile), fill(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProfileTag::setProfile(const QString &profile, const QColor &color)
{
    name = profile;
    fill = color;
    updateGeometry();
    update();
}

QSize ProfileTag::sizeHint() const
{
    return {qCeil(QFontMetricsF(tagFont()).horizontalAdvance(shownText()) + 2 * side), int(capsuleHeight)};
}

void ProfileTag::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(0, (height() - capsuleHeight) / 2, width(), capsuleHeight);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, fill);
    p.setFont(tagFont());
    p.setPen(Qt::white);
    // The tracking after the last letter would push the text left of centre.
    p.drawText(r.translated(0.7, 0), Qt::AlignCenter, shownText());
}

} // namespace vidorra
