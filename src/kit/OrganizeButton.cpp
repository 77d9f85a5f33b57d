#include "kit/OrganizeButton.h"
#include "kit/Easing.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace vidorra {

namespace {
constexpr double capsuleHeight = 62.0;
constexpr double margin = 38.0;
constexpr double shadowRadius = 10.0;
constexpr double room = 2 * shadowRadius;   // around the capsule, for the shadow and the growth
constexpr int pulseMillis = 1100;

QFont titleFont() { return Fonts::sans(16, Fonts::Weight::Medium, 4.0); }

// Three box blurs of the alpha channel approximate a Gaussian of about `radius`.
void blurAlpha(QImage &img, int radius)
{
    const int w = img.width(), h = img.height();
    QVector<int> line(qMax(w, h));
    const int r = qMax(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] = qAlpha(row[x]);
            int sum = 0;
            for (int x = -r; x <= r; ++x)
                sum += line[qBound(0, x, w - 1)];
            for (int x = 0; x < w; ++x) {
                row[x] = qRgba(0, 0, 0, sum / (2 * r + 1));
                sum += line[qMin(x + r + 1, w - 1)] - line[qMax(x - r, 0)];
            }
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y)
                line[y] = qAlpha(reinterpret_cast<QRgb *>(img.scanLine(y))[x]);
            int sum = 0;
            for (int y = -r; y <= r; ++y)
                sum += line[qBound(0, y, h - 1)];
            for (int y = 0; y < h; ++y) {
                reinterpret_cast<QRgb *>(img.scanLine(y))[x] = qRgba(0, 0, 0, sum / (2 * r + 1));
                sum += line[qMin(y + r + 1, h - 1)] - line[qMax(y - r, 0)];
            }
        }
    }
}
} // namespace

OrganizeButton::OrganizeButton(const QString &title, bool enabled, QWidget *parent)
    : HoverButton(180, parent)
{
    setText(title);
    setEnabled(enabled);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    for (auto [from, to] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}}) {
        auto *half = new QVariantAnimation(&breathing);
        half->setStartValue(from);
        half->setEndValue(to);
        half->setDuration(pulseMillis);
        half->setEasingCurve(easeInOut());
        connect(half, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            phase = v.toDouble();
            update();
        });
        breathing.addAnimation(half);
    }
    breathing.setLoopCount(-1);
}

void OrganizeButton::setTitle(const QString &title)
{
    shadow = {}; // drawn again for the new title's width
    HoverButton::setTitle(title);
}

void OrganizeButton::showEvent(QShowEvent *event)
{
    HoverButton::showEvent(event);
    if (breathing.state() != QAbstractAnimation::Running)
        breathing.start();
}

double OrganizeButton::scale() const
{
    const double rest = 1.0 + 0.025 * hoverAmount();
    return rest + (1.05 - rest) * phase;
}

QColor OrganizeButton::fillColor() const
{
    return blend(QColor(Qt::white), Glass::orange().foreground.on(this), hoverAmount());
}

QColor OrganizeButton::textColor() const
{
    return blend(QColor(Qt::black), QColor(Qt::white), hoverAmount());
}

QSize OrganizeButton::sizeHint() const
{
    const double w = 2 * margin + QFontMetricsF(titleFont()).horizontalAdvance(text());
    return {qCeil(w + 2 * room), qCeil(capsuleHeight + 2 * room)};
}

QRectF OrganizeButton::capsuleRect() const
{
    return QRectF(rect()).adjusted(room, room, -room, -room);
}

bool OrganizeButton::hitButton(const QPoint &pos) const
{
    const QRectF r = capsuleRect();
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    return capsule.contains(pos);
}

void OrganizeButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        p.setOpacity(0.55);
    const QRectF r = capsuleRect();
    const QPointF c = r.center();
    p.translate(c);
    p.scale(scale(), scale());
    p.translate(-c);

    if (shadow.size() != size()) {
        shadow = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        QPainter sp(&shadow);
        sp.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath capsule;
        capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
        sp.fillPath(capsule, QColor(0, 0, 0, qRound(255 * 0.55)));
        sp.end();
        blurAlpha(shadow, int(shadowRadius));
    }
    p.drawImage(0, 0, shadow);

    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, fillColor());
    p.setFont(titleFont());
    p.setPen(textColor());
    // Letter spacing adds space after the last letter too; shift it back to centre.
    p.drawText(r.translated(2.0, 0), Qt::AlignCenter, text());
}

} // namespace vidorra
