#pragma once
// The intro face: every clip of the scan loops silently as a tile of a loose mosaic,
// with one "Organize" button over it and the scan's progress while it runs.

#include "library/Scan.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace vidorra {

class ChaosTile;
class OrganizeButton;

class IntroMosaic : public QWidget {
    Q_OBJECT
public:
    explicit IntroMosaic(QWidget *parent = nullptr);

    void setClips(const QList<Planned> &clips);
    // "Reading %d of %d" while a scan runs; hidden when `scanning` is false.
    void setProgress(bool scanning, int done, int total);

    OrganizeButton *organizeButton() const { return button; }
    QString progressText() const;
    // The tiles showing a clip now, in mosaic order.
    QList<ChaosTile *> tiles() const;

Q_SIGNALS:
    void organizeClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void place();
    void styleProgress();

    QList<Planned> clips;
    int readDone = 0, readTotal = 0;
    QList<ChaosTile *> pool;
    OrganizeButton *button;
    QLabel *progress;
};

} // namespace vidorra
