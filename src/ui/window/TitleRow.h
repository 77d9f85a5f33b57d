#pragma once
// The top of the organised face: the product title and the row of tools.

#include <QWidget>

namespace vidorra {

class IconTool;
class Model;

class TitleRow : public QWidget {
    Q_OBJECT
public:
    TitleRow(Model *model, QWidget *parent = nullptr);

    IconTool *undoTool() const { return undo; }
    IconTool *deleteTool() const { return del; }
    IconTool *colorTool() const { return color; }
    IconTool *renameTool() const { return rename; }
    IconTool *settingsTool() const { return settings; }
    IconTool *themeTool() const { return theme; }

public Q_SLOTS:
    void refresh();

Q_SIGNALS:
    void undoClicked();
    void deleteClicked();
    void colorClicked();
    void renameClicked();
    void settingsClicked();
    void themeClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Model *model;
    IconTool *undo, *del, *color, *rename, *settings, *theme;
};

} // namespace vidorra
