#pragma once
// The large call to action of the intro: a white capsule with a soft shadow that
// breathes gently, grows a little under the pointer and turns orange.

#include "kit/HoverButton.h"

#include <QImage>
#include <QSequentialAnimationGroup>

namespace vidorra {

class OrganizeButton : public HoverButton {
    Q_OBJECT
public:
    // `title` is shown as given (already localised). A disabled button is drawn at 55 %
    // opacity and ignores clicks (QWidget::setEnabled).
    explicit OrganizeButton(const QString &title, bool enabled = true, QWidget *parent = nullptr);
    void setTitle(const QString &title);
    QString title() const { return text(); }

    // The breathing: 0 to 1 and back, 1.1 s each way, forever once shown.
    double pulse() const { return phase; }
    const QSequentialAnimationGroup &pulseAnimation() const { return breathing; }
    // The capsule's scale now: towards 1.05 with the pulse, 1.025 hovered, else 1.
    double scale() const;
    QColor fillColor() const;
    QColor textColor() const;
    // The capsule in the widget's coordinates, before scaling (the shadow lies around it).
    QRectF capsuleRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    double phase = 0.0;
    QSequentialAnimationGroup breathing;
    QImage shadow;
};

} // namespace vidorra
