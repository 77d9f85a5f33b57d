#include "Language.h"
#include "Format.h"
#include "LanguageTesting.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <memory>
#include <mutex>

namespace vidorra {

namespace {

// The tables live under this resource folder, one "<code>.lproj" folder per language;
// English has none, its texts are the keys.
const QString kRoot = QStringLiteral(":/i18n");
const QString kTableName = QStringLiteral("vidorra.qm");
const char kContext[] = "Vidorra";

// The shipped languages, in order of preference when nothing matches.
const QStringList kShipped = {QStringLiteral("en"), QStringLiteral("es")};

struct Bundle {
    QString path;                               // folder the texts come from
    std::unique_ptr<QTranslator> translator;    // null for the keys themselves
};

std::mutex gMutex;
std::shared_ptr<const Bundle> gBundle;           // guarded by gMutex
std::optional<QStringList> gSystemOverride;      // guarded by gMutex
int gLazyCreations = 0;                          // guarded by gMutex

QSettings settings()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
}

// The language part of a tag such as "es-MX", "es_ES" or "en".
QString languageOf(const QString &tag)
{
    const qsizetype cut = tag.indexOf(QRegularExpression(QStringLiteral("[-_.@]")));
    return (cut < 0 ? tag : tag.left(cut)).toLower();
}

// The first shipped language the preference list asks for, or "en".
QString bestMatch(const QStringList &preferences)
{
    for (const QString &tag : preferences) {
        const QString lang = languageOf(tag.trimmed());
        if (kShipped.contains(lang))
            return lang;
    }
    return kShipped.first();
}

QStringList systemLanguagesLocked()
{
    if (gSystemOverride)
        return *gSystemOverride;
    return QLocale::system().uiLanguages();
}

std::shared_ptr<const Bundle> resolve(const QString &code, const QStringList &system)
{
    const QString lang = code == QLatin1String("system") ? bestMatch(system) : code;
    auto bundle = std::make_shared<Bundle>();
    bundle->path = kRoot;
    // Only a plain code names a folder; anything with a path separator falls back to English.
    if (lang.isEmpty() || lang.contains(u'/') || lang.contains(u'\\'))
        return bundle;
    const QString folder = kRoot + u'/' + lang + QStringLiteral(".lproj");
    if (!QFileInfo(folder).isDir())
        return bundle;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(folder + u'/' + kTableName))
        return bundle;
    bundle->path = folder;
    bundle->translator = std::move(translator);
    return bundle;
}

// The current table, created from "appLanguage" on first use by whichever thread comes
// first; the others wait on the lock and then share it.
std::shared_ptr<const Bundle> current()
{
    std::lock_guard lock(gMutex);
    if (!gBundle) {
        const QVariant stored = settings().value(QStringLiteral("appLanguage"));
        const QString code = stored.isValid() ? stored.toString() : QStringLiteral("system");
        gBundle = resolve(code, systemLanguagesLocked());
        ++gLazyCreations;
    }
    return gBundle;
}

} // namespace

QString L(const QString &key, const QVariantList &args)
{
    const std::shared_ptr<const Bundle> bundle = current();
    QString text = key;
    if (bundle->translator) {
        // QTranslator::translate only reads the loaded table, so concurrent calls are safe;
        // the shared pointer keeps the table alive across a concurrent apply.
        const QByteArray utf8 = key.toUtf8();
        QString found = bundle->translator->translate(kContext, utf8.constData());
        if (!found.isEmpty())
            text = std::move(found);
    }
    if (args.isEmpty())
        return text;
    return formatText(text, args);
}

namespace Language {

void apply(const QString &code)
{
    {
        std::lock_guard lock(gMutex);
        gBundle = resolve(code, systemLanguagesLocked());
    }
    QSettings store = settings();
    if (code == QLatin1String("system"))
        store.remove(QStringLiteral("AppleLanguages"));
    else
        store.setValue(QStringLiteral("AppleLanguages"), QStringList{code});
    store.sync();
}

bool isSpanish()
{
    return current()->path.endsWith(QLatin1String("es.lproj"));
}

QStringList systemLanguages()
{
    std::lock_guard lock(gMutex);
    return systemLanguagesLocked();
}

void setSystemLanguagesOverride(std::optional<QStringList> languages)
{
    std::lock_guard lock(gMutex);
    gSystemOverride = std::move(languages);
}

void forgetForTesting()
{
    std::lock_guard lock(gMutex);
    gBundle.reset();
}

int lazyCreationsForTesting()
{
    std::lock_guard lock(gMutex);
    return gLazyCreations;
}

QString bundlePath()
{
    return current()->path;
}

QString spanishTablePath()
{
    return kRoot + QStringLiteral("/es.lproj/") + kTableName;
}

} // namespace Language

} // namespace vidorra
