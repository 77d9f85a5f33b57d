#pragma once
// The settings popover: interface language, appearance, the intro switch, the colour
// table of each profile, the version with an update link, and links to the About panel
// and to support. Every choice takes effect at once and is stored at once; the panel
// keeps no state of its own.

#include <QFrame>
#include <QPointer>
#include <QUrl>

class QLabel;

namespace vidorra {

class ColorSection;
class ColorTables;
class InfoButton;
class LinkButton;
class Model;
class SegmentedChoice;
class SwitchToggle;

class SettingsPanel : public QFrame {
    Q_OBJECT
public:
    // The product's web site (its root, ending in "/") and the support address.
    static QUrl siteUrl();
    static QString supportAddress();
    // What "Check for Updates" opens: the site, under "es/" while the texts are Spanish.
    static QUrl updatesUrl();

    // The panel follows the model's `showSettings`: it pops up when that turns true and
    // sets it back to false when it closes (outside click, Escape, or hide()). With
    // `tables`, the panel has the "Color" section.
    explicit SettingsPanel(Model *model, QWidget *window, ColorTables *tables = nullptr);

    // The Settings tool the popover hangs under; without one it opens at the window's
    // top right corner.
    void setAnchor(QWidget *anchor);
    // Shows the popover now (what `showSettings` = true does).
    void popup();
    // Where a popover of `size` opens: centred under the Settings tool (global
    // coordinates), kept inside the window where it fits and always on the screen.
    static QPoint placeUnder(const QRect &tool, const QSize &size, const QRect &window, const QRect &screen);

    SegmentedChoice *languageChoice() const { return language; }
    SegmentedChoice *appearanceChoice() const { return appearance; }
    SwitchToggle *skipIntroToggle() const { return skipIntro; }
    LinkButton *updatesButton() const { return updates; }
    InfoButton *aboutButton() const { return about; }
    LinkButton *supportButton() const { return support; }
    ColorSection *colorSection() const { return color; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void syncFromStore();
    void restyle();

    QPointer<Model> model;
    QPointer<QWidget> anchor;
    QLabel *languageLabel = nullptr;
    QLabel *appearanceLabel = nullptr;
    QLabel *version = nullptr;
    SegmentedChoice *language = nullptr;
    SegmentedChoice *appearance = nullptr;
    SwitchToggle *skipIntro = nullptr;
    ColorSection *color = nullptr;
    LinkButton *updates = nullptr;
    InfoButton *about = nullptr;
    LinkButton *support = nullptr;
};

} // namespace vidorra
