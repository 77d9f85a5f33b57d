#pragma once
// A round tool button of the header row: a symbol that highlights under the pointer,
// grows a little, and names itself in a floating tip.

#include "kit/HoverButton.h"
#include "kit/HoverTip.h"

#include <QPointer>

namespace vidorra {

class IconTool : public HoverButton {
    Q_OBJECT
public:
    // `help` is shown as given: the caller passes it already localised.
    IconTool(const QString &symbol, const QString &help, bool on = false, bool dim = false,
             QWidget *parent = nullptr);
    ~IconTool() override;

    void setSymbol(const QString &symbol);
    QString symbol() const { return glyph; }
    void setHelp(const QString &help);
    QString help() const { return helpText; }
    // Highlighted: the symbol is drawn in the accent colour and heavier.
    void setOn(bool on);
    bool isOn() const { return lit; }
    // Drawn at 40 % opacity; still clickable.
    void setDim(bool dim);
    bool isDim() const { return dimmed; }

    // The floating tip (made on first hover).
    HoverTip *tip() const { return hoverTip; }
    // Current scale of the drawing: 1.0, up to 1.08 while hovered.
    double scale() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void hoverChanged(bool on) override;

private:
    QString glyph;
    QString helpText;
    bool lit = false;
    bool dimmed = false;
    // The tip lives in the window, so it may outlive us or go before us.
    QPointer<HoverTip> hoverTip;
};

} // namespace vidorra
