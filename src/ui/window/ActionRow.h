#pragma once
// The row above the content: "Open Folder" once something was sorted, and "Sort".

#include <QWidget>

class QVariantAnimation;

namespace vidorra {

class Model;
class OpenFolderButton;
class SortButton;

class ActionRow : public QWidget {
    Q_OBJECT
public:
    ActionRow(Model *model, QWidget *parent = nullptr);

    OpenFolderButton *openFolderButton() const { return openButton; }
    SortButton *sortButton() const { return sort; }
    // "Open Folder" is offered (it may still be fading).
    bool offersOpen() const { return offering; }

public Q_SLOTS:
    void refresh();

Q_SIGNALS:
    void openFolderClicked();
    void sortClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void showOpenAmount(double amount);

    Model *model;
    OpenFolderButton *openButton;
    SortButton *sort;
    QVariantAnimation *openFade;
    double openAmount = 0.0;
    bool offering = false;
};

} // namespace vidorra
