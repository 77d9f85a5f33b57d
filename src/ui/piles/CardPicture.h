#pragma once
// A card's picture: asked for from the cover loader while the card is bound and shown,
// dropped when either ends. Each load is named by a key that says what the card wants
// (which clip, how graded); a key already here or on its way is not asked for again, and
// an answer for a key the card has since left behind is ignored.

#include "preview/LUTCube.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <memory>
#include <optional>

class QPainter;
class QWidget;

namespace vidorra {

class CoverRequest;

class CardPicture {
public:
    // Lives inside `card`, which is repainted when the picture arrives.
    explicit CardPicture(QWidget *card) : card(card) {}
    ~CardPicture();
    CardPicture(const CardPicture &) = delete;
    CardPicture &operator=(const CardPicture &) = delete;

    // Asks for the picture of the clip at `path` under `key`, dropping what was there.
    void load(const QString &key, const QString &path, double duration, const CubePtr &cube);
    // Stops a load in flight; a picture that did not arrive is asked for again next time.
    void cancel();
    // Forgets the picture and what it was asked for; cancel() stops the load.
    void clear();
    // The card changed size: the scaled copy is made again.
    void resized() { scaled = {}; }

    const std::optional<QImage> &image() const { return picture; }
    // A picture was asked for (it may have arrived, be on its way, or have failed).
    bool asked() const { return !key.isEmpty(); }
    // Paints the picture filling `area` (cropped, aspect kept) inside rounded corners, or
    // the placeholder colour until it arrives.
    void paint(QPainter &painter, const QRectF &area, double radius, const QColor &placeholder);

private:
    QWidget *card;
    std::optional<QImage> picture;
    QString key;    // what `picture` (or the load in flight) was asked for
    std::shared_ptr<CoverRequest> request;
    QPixmap scaled; // `picture` cropped to the picture area, in device pixels
};

} // namespace vidorra
