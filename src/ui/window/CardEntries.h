#pragma once
// The cards that can be imported, as entries of the empty state: each names the card
// with its clips and offers "Import from CARD…".

#include <QWidget>

class QVBoxLayout;

namespace vidorra {

class Model;
class OpenFolderButton;

class CardEntries : public QWidget {
    Q_OBJECT
public:
    CardEntries(Model *model, QWidget *parent = nullptr);

    // The entries' buttons and captions, for tests and the screenshots.
    QList<OpenFolderButton *> buttons() const { return entries; }
    QStringList captions() const;

public Q_SLOTS:
    void refresh();

Q_SIGNALS:
    // The entries were made anew (their size may have changed).
    void changed();

protected:
    void changeEvent(QEvent *event) override;

private:
    Model *model;
    QVBoxLayout *column;
    QList<OpenFolderButton *> entries;
    QList<QWidget *> made;
};

// "Card · 23 clips · 45 GB"
QString cardCaption(int clips, qint64 bytes);

} // namespace vidorra
