#pragma once
// A small round icon button laid over a card's picture (colour, play, reveal).

#include "kit/HoverButton.h"

namespace vidorra {

class CardIcon : public HoverButton {
    Q_OBJECT
public:
    // `help` is the tooltip, already localised.
    CardIcon(const QString &symbol, const QString &help, bool active = false, QWidget *parent = nullptr);

    QString symbol() const { return glyph; }
    void setHelp(const QString &help);
    void setActive(bool active);
    bool isActive() const { return lit; }
    QSize sizeHint() const override { return {26, 26}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString glyph;
    bool lit = false;
};

} // namespace vidorra
