#include "model/Preferences.h"

#include "rename/Rename.h"

#include <QSettings>

namespace vidorra::Preferences {

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
}

// Written through at once, so nothing depends on a clean quit.
void write(const char *key, const QVariant &value)
{
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
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

QString appLanguage() { return text(kAppLanguage, QStringLiteral("system")); }
void setAppLanguage(const QString &code) { write(kAppLanguage, code); }

QString appearance() { return text(kAppearance, QStringLiteral("system")); }
void setAppearance(const QString &mode) { write(kAppearance, mode); }

bool skipIntro() { return flag(kSkipIntro); }
void setSkipIntro(bool skip) { write(kSkipIntro, skip); }

QString renameTemplate() { return text(kRenameTemplate, defaultRenameTemplate()); }
void setRenameTemplate(const QString &templ) { write(kRenameTemplate, templ); }

std::optional<QString> lastFolderPath()
{
    const QVariant v = store().value(QLatin1String(kLastFolderPath));
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}
void setLastFolderPath(const QString &path) { write(kLastFolderPath, path); }

std::optional<QString> importFolder()
{
    const QString path = store().value(QLatin1String(kImportFolder)).toString();
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}
void setImportFolder(const QString &path) { write(kImportFolder, path); }

bool windowSized() { return flag(kWindowSized); }
void setWindowSized(bool sized) { write(kWindowSized, sized); }

bool windowSizeReset() { return flag(kWindowSizeReset); }
void setWindowSizeReset(bool done) { write(kWindowSizeReset, done); }

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
