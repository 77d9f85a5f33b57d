#include "model/Preferences.h"

#include "rename/Rename.h"

#include "text/SettingsStore.h"

#include <QSettings>

namespace vidorra::Preferences {

namespace {

QSettings store() { return settingsStore(); }

// Written through at once, so nothing depends on a clean quit.
void write(const char *key, const QVariant &value)
{
    QSettings settings = store();
    settings.setValue(QLatin1String(key), value);
    settings.sync();
}

QString text(const char *key, const QString &fallback)
{
    const QVariant v = store().value(QLatin1String(key));
    return v.isValid() ? v.toString() : fallback;
}

bool flag(const char *key)
{
    return store().value(QLatin1String(key), false).toBool();
}

} // namespace

QString appLanguage() { return text(appLanguageKey, QStringLiteral("system")); }
void setAppLanguage(const QString &code) { write(appLanguageKey, code); }

QString appearance() { return text(appearanceKey, QStringLiteral("system")); }
void setAppearance(const QString &mode) { write(appearanceKey, mode); }

bool skipIntro() { return flag(skipIntroKey); }
void setSkipIntro(bool skip) { write(skipIntroKey, skip); }

QString renameTemplate() { return text(renameTemplateKey, defaultRenameTemplate()); }
void setRenameTemplate(const QString &templ) { write(renameTemplateKey, templ); }

std::optional<QString> lastFolderPath()
{
    const QVariant v = store().value(QLatin1String(lastFolderPathKey));
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}
void setLastFolderPath(const QString &path) { write(lastFolderPathKey, path); }

std::optional<QString> importFolder()
{
    const QString path = store().value(QLatin1String(importFolderKey)).toString();
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}
void setImportFolder(const QString &path) { write(importFolderKey, path); }

bool windowSized() { return flag(windowSizedKey); }
void setWindowSized(bool sized) { write(windowSizedKey, sized); }

bool windowSizeReset() { return flag(windowSizeResetKey); }
void setWindowSizeReset(bool done) { write(windowSizeResetKey, done); }

std::optional<QString> lutPath(const char *key)
{
    const QString path = store().value(QLatin1String(key)).toString();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void setLutPath(const char *key, const std::optional<QString> &path)
{
    if (path && !path->isEmpty()) {
        write(key, *path);
        return;
    }
    QSettings settings = store();
    settings.remove(QLatin1String(key));
    settings.sync();
}

} // namespace vidorra::Preferences
