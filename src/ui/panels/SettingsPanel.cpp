#include "ui/panels/SettingsPanel.h"

#include "ui/panels/AboutPanel.h"
#include "ui/window/DesktopOpen.h"
#include "kit/Appearance.h"
#include "ui/window/ColorTables.h"
#include "kit/Fonts.h"
#include "ui/panels/SettingsPanelColor.h"
#include "kit/SettingsPanelControls.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "text/Language.h"

#include <algorithm>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace vidorra {

namespace {

constexpr int panelWidth = 300;

QLabel *rowLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(Fonts::sans(11));
    return label;
}

// A label above its control, six apart.
QVBoxLayout *labelledRow(QLabel *label, QWidget *control)
{
    auto *row = new QVBoxLayout;
    row->setSpacing(6);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(control);
    return row;
}

} // namespace

QUrl SettingsPanel::siteUrl()
{
    return QUrl(QStringLiteral("https://vidorra.app/"));
}

QString SettingsPanel::supportAddress()
{
    return QStringLiteral("support@vidorra.app");
}

QUrl SettingsPanel::updatesUrl()
{
    const QUrl root = siteUrl();
    return Language::isSpanish() ? root.resolved(QUrl(QStringLiteral("es/"))) : root;
}

SettingsPanel::SettingsPanel(Model *m, QWidget *window, ColorTables *tables)
    : QFrame(window, Qt::Popup | Qt::FramelessWindowHint), model(m)
{
    setObjectName(QStringLiteral("settingsPanel"));
    setFixedWidth(panelWidth);
    setFocusPolicy(Qt::StrongFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);

    languageLabel = rowLabel(this, "languageLabel");
    language = new SegmentedChoice(this);
    language->setObjectName(QStringLiteral("languageChoice"));
    layout->addLayout(labelledRow(languageLabel, language));

    appearanceLabel = rowLabel(this, "appearanceLabel");
    appearance = new SegmentedChoice(this);
    appearance->setObjectName(QStringLiteral("appearanceChoice"));
    layout->addLayout(labelledRow(appearanceLabel, appearance));

    skipIntro = new SwitchToggle(QString(), this);
    skipIntro->setObjectName(QStringLiteral("skipIntroToggle"));
    layout->addWidget(skipIntro);

    if (tables) {
        color = new ColorSection(tables, this);
        layout->addWidget(color);
        // A file dialog takes the keyboard: the popover steps aside and comes back after.
        connect(color, &ColorSection::dialogOpening, this, &QWidget::hide);
        connect(color, &ColorSection::dialogClosed, this, [this] {
            if (model)
                model->setShowSettings(true);
            else
                popup();
        });
        connect(tables, &ColorTables::changed, this, &QWidget::adjustSize);
    }

    auto *divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("settingsDivider"));
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    layout->addWidget(divider);

    auto *versionRow = new QHBoxLayout;
    versionRow->setContentsMargins(0, 0, 0, 0);
    version = rowLabel(this, "versionLabel");
    version->setText(appVersion());
    version->setVisible(!appVersion().isEmpty());
    versionRow->addWidget(version);
    versionRow->addStretch();
    updates = new LinkButton(QString(), this);
    updates->setObjectName(QStringLiteral("checkForUpdates"));
    versionRow->addWidget(updates);
    layout->addLayout(versionRow);

    auto *linkRow = new QHBoxLayout;
    linkRow->setContentsMargins(0, 0, 0, 0);
    linkRow->setSpacing(0);
    about = new InfoButton(13, this);
    about->setObjectName(QStringLiteral("aboutButton"));
    linkRow->addWidget(about);
    linkRow->addSpacing(12);
    support = new LinkButton(QString(), this);
    support->setObjectName(QStringLiteral("supportButton"));
    support->setToolTip(supportAddress());
    linkRow->addWidget(support);
    linkRow->addStretch();
    layout->addLayout(linkRow);

    connect(language, &SegmentedChoice::chosen, this, [this](const QString &code) {
        if (model)
            model->setLanguage(code); // stores, switches the texts, relabels the clips
    });
    connect(appearance, &SegmentedChoice::chosen, this, [](const QString &mode) {
        Preferences::setAppearance(mode);
        applyAppearance(mode);
    });
    connect(skipIntro, &QAbstractButton::toggled, this, [](bool on) {
        if (Preferences::skipIntro() != on)
            Preferences::setSkipIntro(on);
    });
    connect(updates, &QAbstractButton::clicked, this,
            [] { openWithDesktop(updatesUrl(), DesktopTarget::WebPage); });
    connect(support, &QAbstractButton::clicked, this, [] {
        openWithDesktop(QUrl(QStringLiteral("mailto:") + supportAddress()), DesktopTarget::Mail);
    });
    connect(about, &QAbstractButton::clicked, this, [this] {
        QWidget *owner = parentWidget();
        hide();
        showAboutPanel(owner);
    });

    if (model) {
        connect(model, &Model::showSettingsChanged, this, [this] {
            if (model->showSettings() && !isVisible())
                popup();
            else if (!model->showSettings() && isVisible())
                hide();
        });
        connect(model, &Model::languageChanged, this, [this] { language->setValue(model->language()); });
    }

    retranslate();
    syncFromStore();
    restyle();
}

void SettingsPanel::setAnchor(QWidget *widget)
{
    anchor = widget;
}

void SettingsPanel::popup()
{
    syncFromStore();
    adjustSize();
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect window = owner ? QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()) : QRect();
    QScreen *screen = owner ? owner->screen() : this->screen();
    const QRect tool = anchor && anchor->isVisible() ? QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size())
                                                     : QRect(window.right() - 60, window.top() + 10, 30, 30);
    move(placeUnder(tool, size(), window, screen ? screen->availableGeometry() : QRect()));
    show();
    raise();
    setFocus(Qt::PopupFocusReason); // Escape closes; Tab reaches the choices
}

QPoint SettingsPanel::placeUnder(const QRect &tool, const QSize &size, const QRect &window, const QRect &screen)
{
    // Centred under the tool, a few pixels below it.
    QPoint at(tool.center().x() + 1 - size.width() / 2, tool.bottom() + 1 + 6);
    // Inside the window where it fits (the Settings tool sits near its right edge, and a
    // small window would leave the popover hanging past it), and always on the screen.
    const auto keepInside = [&](const QRect &area) {
        if (area.isEmpty())
            return;
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    };
    keepInside(window.adjusted(8, 8, -8, -8));
    keepInside(screen);
    return at;
}

void SettingsPanel::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    if (model && !model->showSettings())
        model->setShowSettings(true);
}

void SettingsPanel::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    if (model && model->showSettings())
        model->setShowSettings(false);
}

void SettingsPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    QColor edge = ink;
    edge.setAlphaF(0.16f);
    p.setPen(QPen(edge, 1));
    p.setBrush(palette().color(QPalette::Window));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void SettingsPanel::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

// Every text of the panel, in the language now in effect.
void SettingsPanel::retranslate()
{
    languageLabel->setText(L("Language"));
    appearanceLabel->setText(L("Appearance"));
    language->setSegments({{L("System"), QStringLiteral("system")},
                           {QStringLiteral("English"), QStringLiteral("en")},
                           {QStringLiteral("Español"), QStringLiteral("es")}});
    appearance->setSegments({{L("System"), QStringLiteral("system")},
                             {L("Light"), QStringLiteral("light")},
                             {L("Dark"), QStringLiteral("dark")}});
    skipIntro->setText(L("Skip Organize intro"));
    updates->setText(L("Check for Updates"));
    about->setToolTip(L("About Vidorra"));
    support->setText(L("Support"));
    for (QWidget *w : {static_cast<QWidget *>(updates), static_cast<QWidget *>(support),
                       static_cast<QWidget *>(skipIntro)})
        w->updateGeometry();
    if (color)
        color->retranslate();
    adjustSize();
}

// The stored choices; the window's theme toggle may have changed "appearance" meanwhile.
void SettingsPanel::syncFromStore()
{
    language->setValue(model ? model->language() : Preferences::appLanguage());
    const QString mode = Preferences::appearance();
    appearance->setValue(mode == QLatin1String("light") || mode == QLatin1String("dark") ? mode
                                                                                      : QStringLiteral("system"));
    const QSignalBlocker quiet(skipIntro);
    skipIntro->setChecked(Preferences::skipIntro());
    if (color)
        color->refresh();
}

void SettingsPanel::restyle()
{
    const QColor secondary = secondaryTextColor(palette());
    for (QLabel *label : {languageLabel, appearanceLabel, version}) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, secondary);
        label->setPalette(pal);
    }
    if (auto *divider = findChild<QFrame *>(QStringLiteral("settingsDivider"))) {
        QPalette pal = divider->palette();
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.12f);
        pal.setColor(QPalette::Window, line);
        divider->setPalette(pal);
    }

}

} // namespace vidorra
