#pragma once
// Base of the window's custom-painted buttons: the whole frame takes clicks, and the
// pointer's presence is tracked and eased in and out over the control's own duration.

#include <QAbstractButton>
#include <QVariantAnimation>

namespace vidorra {

class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverButton(int hoverMillis, QWidget *parent = nullptr);

    // Shows `title` (already localised) and lets the layout resize the button for it.
    void setTitle(const QString &title);

    // The pointer is over the button.
    bool isHovered() const { return hovered; }
    // 0 to 1: how far the hover look has eased in. Stays 0 while disabled, so a disabled
    // control never shows hover colours.
    double hoverAmount() const;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Called when the pointer enters or leaves.
    virtual void hoverChanged(bool) {}

private:
    void setHovered(bool on);
    bool hovered = false;
    double amount = 0.0;
    QVariantAnimation anim;
};

} // namespace vidorra
