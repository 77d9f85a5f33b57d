#pragma once
// The solid capsule that sorts the clips in view; it turns orange under the pointer and
// its arrow steps forward.

#include "kit/HoverButton.h"

namespace vidorra {

class SortButton : public HoverButton {
    Q_OBJECT
public:
    // `title` is shown as given (already localised). A disabled button is drawn faint and
    // ignores clicks (QWidget::setEnabled).
    explicit SortButton(const QString &title, bool enabled = true, QWidget *parent = nullptr);
    QString title() const { return text(); }

    // How far the arrow has moved right (0 to 3).
    double arrowShift() const { return 3.0 * hoverAmount(); }
    // The capsule's fill and the text colour as drawn now.
    QColor fillColor() const;
    QColor textColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vidorra
