#include "kit/OpenFolderButton.h"

#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {
constexpr double capsuleHeight = 34.0;
constexpr double margin = 15.0;
constexpr double symbolSize = 12.0;
constexpr double gap = 6.0;
QFont titleFont() { return Fonts::sans(13, Fonts::Weight::Medium); }
} // namespace

OpenFolderButton::OpenFolderButton(const QString &title, QWidget *parent)
    : HoverButton(180, parent)
{
    setText(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize OpenFolderButton::sizeHint() const
{
    const double w = 2 * margin + symbolSize + gap + QFontMetricsF(titleFont()).horizontalAdvance(text());
    return {qCeil(w) + 2, int(capsuleHeight) + 2};
}

void OpenFolderButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    const QColor primary = Glass::primary().on(this);
    const double h = hoverAmount();
    if (h > 0.0)
        p.fillPath(capsule, faded(primary, 0.07 * h));
    p.setPen(QPen(faded(primary, 0.22), 1.0));
    p.drawPath(capsule);

    const QFont font = titleFont();
    const QFontMetricsF fm(font);
    const double contentW = symbolSize + gap + fm.horizontalAdvance(text());
    double x = r.center().x() - contentW / 2;
    Icons::paint(p, symbol, QRectF(x, r.center().y() - symbolSize / 2, symbolSize, symbolSize),
                 primary, Icons::Weight::Medium);
    x += symbolSize + gap;
    p.setFont(font);
    p.setPen(primary);
    p.drawText(QPointF(x, r.center().y() + (fm.ascent() - fm.descent()) / 2), text());
}

} // namespace vidorra
