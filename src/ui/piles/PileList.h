#pragma once
// The overview of a tab: one block per profile, headed by the profile and its clip
// count, holding one pile card per destination folder.

#include "library/Library.h"

#include <QScrollArea>

namespace vidorra {

class PileCard;
class PileGrid;

class PileList : public QScrollArea {
    Q_OBJECT
public:
    explicit PileList(QWidget *parent = nullptr);

    void setGroups(const QList<LibraryGroup> &groups, bool colorOn);
    QList<PileCard *> cards() const;
    PileCard *card(const QString &folder) const;

Q_SIGNALS:
    void pileOpened(const QString &folder);
    void revealRequested(const QList<vidorra::Planned> &items);
    void deleteRequested(const QList<vidorra::Planned> &items);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Only the piles in view load their pictures.
    void refreshPictures();

    QWidget *content;
    QList<PileGrid *> blocks;
};

} // namespace vidorra
