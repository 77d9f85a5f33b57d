#include "kit/Appearance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QWidget>

namespace vidorra {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

std::optional<Scheme> forcedSystem;
bool followingSystem = true;
Scheme shown = Scheme::Light;

// The portal answers 1 for "prefer dark", 2 for "prefer light", 0 for no preference.
Scheme fromPortalValue(const QVariant &value)
{
    QVariant v = value;
    // Read wraps its answer in one or two variants depending on the portal version.
    while (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        v = v.value<QDBusVariant>().variant();
    return v.toUInt() == 1 ? Scheme::Dark : Scheme::Light;
}

class PortalWatcher : public QObject {
    Q_OBJECT
public:
    PortalWatcher()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        bus.connect(portalService, portalPath, portalSettings, QStringLiteral("SettingChanged"), this,
                    SLOT(settingChanged(QString, QString, QDBusVariant)));
    }
public Q_SLOTS:
    void settingChanged(const QString &ns, const QString &key, const QDBusVariant &value);
};

void apply(Scheme scheme)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    if (!app->style() || app->style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0)
        app->setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const bool changed = scheme != shown;
    shown = scheme;
    app->setPalette(appPalette(scheme));
    // Qt tells existing widgets only from inside its event loop; before it runs (the launch,
    // the tools that render the window) they would keep the old colours.
    if (QThread::currentThread()->loopLevel() == 0) {
        const QWidgetList widgets = QApplication::allWidgets();
        for (QWidget *w : widgets) {
            QEvent change(QEvent::ApplicationPaletteChange);
            QCoreApplication::sendEvent(w, &change);
        }
    }
    if (changed)
        Q_EMIT AppearanceNotifier::instance()->schemeChanged(scheme);
}

} // namespace

namespace detail {
void overrideSystemScheme(std::optional<Scheme> scheme)
{
    forcedSystem = scheme;
    if (followingSystem)
        apply(systemScheme());
}
} // namespace detail

AppearanceNotifier *AppearanceNotifier::instance()
{
    static AppearanceNotifier *notifier = new AppearanceNotifier(QCoreApplication::instance());
    return notifier;
}

Scheme systemScheme()
{
    if (forcedSystem)
        return *forcedSystem;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Scheme::Light;
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, portalSettings,
                                                       QStringLiteral("Read"));
    call << appearanceNamespace << colorSchemeKey;
    // A short timeout: a missing portal must not hold up the first window.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 400);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return Scheme::Light;
    return fromPortalValue(reply.arguments().constFirst());
}

Scheme currentScheme() { return shown; }

void applyAppearance(const std::optional<QString> &mode)
{
    static PortalWatcher *watcher = nullptr;
    if (mode == QStringLiteral("light")) {
        followingSystem = false;
        apply(Scheme::Light);
    } else if (mode == QStringLiteral("dark")) {
        followingSystem = false;
        apply(Scheme::Dark);
    } else {
        followingSystem = true;
        if (!watcher && QCoreApplication::instance())
            watcher = new PortalWatcher;
        apply(systemScheme());
    }
}

void PortalWatcher::settingChanged(const QString &ns, const QString &key, const QDBusVariant &value)
{
    if (followingSystem && !forcedSystem && ns == appearanceNamespace && key == colorSchemeKey)
        apply(fromPortalValue(value.variant()));
}

} // namespace vidorra

#include "Appearance.moc"
