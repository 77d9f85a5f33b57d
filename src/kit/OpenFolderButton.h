#pragma once
// The outlined capsule that opens the sorted folder in the file manager.

#include "kit/HoverButton.h"

namespace vidorra {

class OpenFolderButton : public HoverButton {
    Q_OBJECT
public:
    // `title` is shown as given (already localised).
    explicit OpenFolderButton(const QString &title, QWidget *parent = nullptr);
    // The symbol before the title; "folder" unless set.
    void setSymbol(const QString &name) { symbol = name; update(); }
    QString title() const { return text(); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString symbol = QStringLiteral("folder");
};

} // namespace vidorra
