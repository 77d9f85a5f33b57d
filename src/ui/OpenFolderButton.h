#pragma once
// The outlined capsule that opens the sorted folder in the file manager.

#include "HoverButton.h"

namespace vidorra {

class OpenFolderButton : public HoverButton {
    Q_OBJECT
public:
    // `title` is shown as given (already localised).
    explicit OpenFolderButton(const QString &title, QWidget *parent = nullptr);
    void setTitle(const QString &title);
    QString title() const { return text(); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vidorra
