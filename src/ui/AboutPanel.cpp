#include "AboutPanel.h"

#include "Fonts.h"
#include "SettingsPanelControls.h"
#include "text/Language.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
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

// The installed icon of the application, else the one the window carries, else the
// style's generic information icon.
QIcon applicationIcon()
{
    QIcon icon = QIcon::fromTheme(QStringLiteral("app.vidorra.Vidorra"));
    if (icon.isNull())
        icon = QApplication::windowIcon();
    if (icon.isNull() || icon.availableSizes().isEmpty())
        icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    return icon;
}

} // namespace

QString aboutCredits()
{
    return L("Organizes D-Log and D-Log 2 clips from DJI Osmo Pocket cameras.") + QStringLiteral("\n\n")
        + L("DJI and Osmo are trademarks of SZ DJI Technology Co., Ltd. Vidorra is not affiliated with or endorsed by DJI.");
}

QDialog *showAboutPanel(QWidget *parent)
{
    static QPointer<QDialog> open;
    if (!open) {
        auto *dialog = new QDialog(parent ? parent->window() : nullptr);
        dialog->setObjectName(QStringLiteral("aboutPanel"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(L("About Vidorra"));
        dialog->setFixedWidth(300);

        auto *layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(24, 22, 24, 18);
        layout->setSpacing(6);

        auto *icon = new QLabel(dialog);
        icon->setObjectName(QStringLiteral("aboutIcon"));
        icon->setPixmap(applicationIcon().pixmap(64, 64));
        icon->setAlignment(Qt::AlignHCenter);
        layout->addWidget(icon);
        layout->addSpacing(6);

        auto *name = new QLabel(applicationName(), dialog);
        name->setObjectName(QStringLiteral("aboutName"));
        name->setFont(Fonts::sans(15, Fonts::Weight::Bold));
        name->setAlignment(Qt::AlignHCenter);
        layout->addWidget(name);

        const QString versionText = appVersion();
        auto *version = new QLabel(versionText.isEmpty() ? QString() : L("Version %@", {versionText}), dialog);
        version->setObjectName(QStringLiteral("aboutVersion"));
        version->setFont(Fonts::sans(11));
        version->setAlignment(Qt::AlignHCenter);
        version->setVisible(!versionText.isEmpty());
        layout->addWidget(version);
        layout->addSpacing(10);

        auto *credits = new QLabel(aboutCredits(), dialog);
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
        auto *close = new QPushButton(L("Close"), dialog);
        close->setObjectName(QStringLiteral("aboutClose"));
        close->setDefault(true);
        QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
        row->addWidget(close);
        row->addStretch();
        layout->addLayout(row);
        open = dialog;
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace vidorra
