#include "kit/DropTarget.h"
#include "kit/Easing.h"

#include "kit/HoverButton.h"
#include "kit/Icons.h"
#include "kit/Palette.h"

#include <QEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace vidorra {

std::optional<QStringList> dropPaths(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return std::nullopt;
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

DropHighlight::DropHighlight(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    fade.setDuration(fadeMs);
    fade.setEasingCurve(easeOut());
    connect(&fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        amount = v.toDouble();
        setVisible(amount > 0.001);
        update();
    });
    parent->installEventFilter(this);
    setGeometry(parent->rect());
    hide();
}

void DropHighlight::setActive(bool on)
{
    if (on == active)
        return;
    active = on;
    fade.stop();
    fade.setStartValue(amount);
    fade.setEndValue(on ? 1.0 : 0.0);
    fade.start();
    if (on) {
        setGeometry(parentWidget()->rect());
        show();   // stacked by the window, under the message bar and the preview
    }
}

bool DropHighlight::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void DropHighlight::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(amount);
    const QColor accent = Glass::accent().on(this);
    p.fillRect(rect(), faded(accent, 0.10));
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()).adjusted(10, 10, -10, -10), 18, 18);
    p.setPen(QPen(faded(accent, 0.8), 2, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    const QPointF c = QRectF(rect()).center();
    p.setPen(Qt::NoPen);
    p.setBrush(faded(accent, 0.16));
    p.drawEllipse(c, 44, 44);
    Icons::paint(p, QStringLiteral("plus"), QRectF(c.x() - 20, c.y() - 20, 40, 40), accent, Icons::Weight::Medium);
}

} // namespace vidorra
