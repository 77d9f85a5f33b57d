#include "ui/panels/AboutPanel.h"

#include "kit/Fonts.h"
#include "kit/SettingsPanelControls.h"
#include "text/Language.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vidorra {

namespace {

// The product's name, whatever the binary is called.
QString applicationName()
{
    return QStringLiteral("Vidorra");
}

} // namespace

QString appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
#ifdef VIDORRA_VERSION
    return version.isEmpty() ? QStringLiteral(VIDORRA_VERSION) : version;
#else
    return version;
#endif
}

namespace {

// The application's icon drawn in place, for runs from the build folder where the
// installed icon is not found: a dark tile with three stacked cards, the front one
// orange with a play mark. Coordinates are on a 128-unit grid.
QPixmap drawnIcon(int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    p.setPen(Qt::NoPen);

    QLinearGradient tile(0, 8, 0, 120);
    tile.setColorAt(0, QColor(0x2b, 0x2f, 0x3a));
    tile.setColorAt(1, QColor(0x15, 0x17, 0x1d));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 112, 112), 26, 26);

    auto card = [&p](QRectF r, qreal angle, QPointF pivot, const QBrush &brush) {
        p.save();
        p.translate(pivot);
        p.rotate(angle);
        p.translate(-pivot);
        p.setBrush(brush);
        p.drawRoundedRect(r, 7, 7);
        p.restore();
    };
    card(QRectF(30, 28, 60, 42), -10, QPointF(60, 49), QColor(0x5b, 0x62, 0x75));
    card(QRectF(36, 36, 60, 42), -4, QPointF(66, 57), QColor(0x8a, 0x93, 0xa8));
    QLinearGradient front(40, 46, 100, 88);
    front.setColorAt(0, QColor(0xff, 0x9d, 0x4d));
    front.setColorAt(1, QColor(0xe8, 0x48, 0x3f));
    card(QRectF(40, 46, 60, 42), 0, QPointF(), front);

    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(63, 56), QPointF(63, 78), QPointF(81, 67)}));
    p.setBrush(QColor(0xff, 0x9d, 0x4d));
    p.drawRoundedRect(QRectF(40, 96, 48, 6), 3, 3);
    return pixmap;
}

// The installed icon of the application, else the one the window carries, else our
// own drawing of it.
QPixmap applicationIcon(int size, qreal ratio)
{
    QIcon icon = QIcon::fromTheme(QStringLiteral("app.vidorra.Vidorra"));
    if (icon.isNull() || icon.availableSizes().isEmpty())
        icon = QApplication::windowIcon();
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon.pixmap(QSize(size, size), ratio);
    return drawnIcon(size, ratio);
}

} // namespace

QString aboutCredits()
{
    return L("Organizes D-Log and D-Log 2 clips from DJI Osmo Pocket cameras.") + QStringLiteral("\n\n")
        + L("DJI and Osmo are trademarks of SZ DJI Technology Co., Ltd. Vidorra is not affiliated with or endorsed by DJI.");
}

namespace {

// The panel; its texts follow the language while it is open.
class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget *parent) : QDialog(parent) {}

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            retranslate();
        QDialog::changeEvent(event);
    }

public:
    void retranslate()
    {
        setWindowTitle(L("About Vidorra"));
        const QString versionText = appVersion();
        if (auto *version = findChild<QLabel *>(QStringLiteral("aboutVersion")))
            version->setText(versionText.isEmpty() ? QString() : L("Version %@", {versionText}));
        if (auto *credits = findChild<QLabel *>(QStringLiteral("aboutCredits")))
            credits->setText(aboutCredits());
        if (auto *close = findChild<QPushButton *>(QStringLiteral("aboutClose")))
            close->setText(L("Close"));
    }
};

} // namespace

QDialog *showAboutPanel(QWidget *parent)
{
    static QPointer<QDialog> open;
    if (!open) {
        auto *dialog = new AboutDialog(parent ? parent->window() : nullptr);
        dialog->setObjectName(QStringLiteral("aboutPanel"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFixedWidth(300);

        auto *layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(24, 22, 24, 18);
        layout->setSpacing(6);

        auto *icon = new QLabel(dialog);
        icon->setObjectName(QStringLiteral("aboutIcon"));
        icon->setPixmap(applicationIcon(64, dialog->devicePixelRatioF()));
        icon->setAlignment(Qt::AlignHCenter);
        layout->addWidget(icon);
        layout->addSpacing(6);

        auto *name = new QLabel(applicationName(), dialog);
        name->setObjectName(QStringLiteral("aboutName"));
        name->setFont(Fonts::sans(15, Fonts::Weight::Bold));
        name->setAlignment(Qt::AlignHCenter);
        layout->addWidget(name);

        const QString versionText = appVersion();
        auto *version = new QLabel(dialog);
        version->setObjectName(QStringLiteral("aboutVersion"));
        version->setFont(Fonts::sans(11));
        version->setAlignment(Qt::AlignHCenter);
        version->setVisible(!versionText.isEmpty());
        layout->addWidget(version);
        layout->addSpacing(10);

        auto *credits = new QLabel(dialog);
        credits->setObjectName(QStringLiteral("aboutCredits"));
        credits->setFont(Fonts::sans(11));
        credits->setWordWrap(true);
        credits->setAlignment(Qt::AlignHCenter);
        credits->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette pal = credits->palette();
        pal.setColor(QPalette::WindowText, secondaryTextColor(dialog->palette()));
        credits->setPalette(pal);
        layout->addWidget(credits);
        layout->addSpacing(12);

        auto *row = new QHBoxLayout;
        row->addStretch();
        auto *close = new QPushButton(dialog);
        close->setObjectName(QStringLiteral("aboutClose"));
        close->setDefault(true);
        QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
        row->addWidget(close);
        row->addStretch();
        layout->addLayout(row);
        dialog->retranslate();
        open = dialog;
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace vidorra
