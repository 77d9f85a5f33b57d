#pragma once
// One profile's block of the overview: the heading and its pile cards in a flowing grid.

#include "library/Library.h"

#include <QWidget>

namespace vidorra {

class PileCard;

class PileGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int minCardWidth = 220;
    static constexpr int spacing = 14;
    static constexpr int headingHeight = 34;

    explicit PileGrid(QWidget *parent = nullptr);

    void setGroup(const LibraryGroup &group, bool colorOn);
    const QString &profile() const { return name; }
    QString heading() const;
    const QList<PileCard *> &cards() const { return piles; }
    const QStringList &folderNames() const { return folders; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void pileOpened(const QString &folder);
    void revealRequested(const QList<vidorra::Planned> &items);
    void deleteRequested(const QList<vidorra::Planned> &items);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int columnsFor(int width) const;
    void place();

    QString name;
    qsizetype total = 0;
    QList<PileCard *> piles;
    QStringList folders;   // the section each card shows, by position
};

} // namespace vidorra
