#include "ui/piles/CardPicture.h"

#include "preview/CoverLoader.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

namespace vidorra {

CardPicture::~CardPicture()
{
    cancel();
}

void CardPicture::load(const QString &wanted, const QString &path, double duration, const CubePtr &cube)
{
    if (wanted == key && (picture || request))
        return;
    cancel();
    key = wanted;
    picture.reset();
    scaled = {};
    QPointer<QWidget> owner(card);
    request = CoverLoader::load(path, duration, cube, card,
                                [owner, this, wanted](const std::optional<QImage> &image) {
                                    // While the card lives, so does its picture.
                                    if (!owner || key != wanted)
                                        return;
                                    request.reset();
                                    picture = image;
                                    scaled = {};
                                    owner->update();
                                });
}

void CardPicture::cancel()
{
    if (request) {
        request->cancel();
        request.reset();
    }
    if (!picture)
        key.clear();
}

void CardPicture::clear()
{
    picture.reset();
    scaled = {};
    key.clear();
}

void CardPicture::paint(QPainter &p, const QRectF &area, double radius, const QColor &placeholder)
{
    QPainterPath frame;
    frame.addRoundedRect(area, radius, radius);
    const qreal dpr = card->devicePixelRatioF();
    const QSize target(qMax(1, qRound(area.width() * dpr)), qMax(1, qRound(area.height() * dpr)));
    if (picture && !picture->isNull() && scaled.size() != target) {
        // Fill the area and crop what sticks out, keeping the picture's aspect.
        const QImage fill = picture->scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        scaled = QPixmap::fromImage(fill.copy((fill.width() - target.width()) / 2,
                                              (fill.height() - target.height()) / 2, target.width(), target.height()));
        scaled.setDevicePixelRatio(dpr);
    }
    if (picture && !scaled.isNull()) {
        p.save();
        p.setClipPath(frame);
        p.drawPixmap(area.topLeft(), scaled);
        p.restore();
    } else {
        p.fillPath(frame, placeholder);
    }
}

} // namespace vidorra
