#include "text/Language.h"

#include "text/Format.h"
#include "text/LanguageTesting.h"
#include "text/SettingsStore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>
#include <QTranslator>

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

namespace vidorra {

namespace {

// The tables live under this resource folder, one "<code>.lproj" folder per language;
// English has none, its texts are the keys.
const QString i18nRoot = QStringLiteral(":/i18n");
const QString tableName = QStringLiteral("vidorra.qm");
// English forms of the counted texts ("%n clip" beside the key "%n clips"); outside any
// ".lproj" folder, since English texts are otherwise the keys themselves.
const QString englishCountsTable = QStringLiteral(":/i18n/counts/en.qm");
const char translationContext[] = "Vidorra";

// The shipped languages, in order of preference when nothing matches.
const QStringList shippedLanguages = {QStringLiteral("en"), QStringLiteral("es")};

struct Bundle {
    QString path;                               // folder the texts come from
    std::unique_ptr<QTranslator> translator;    // null for the keys themselves
};

std::mutex gMutex;
std::shared_ptr<const Bundle> gBundle;           // guarded by gMutex
std::optional<QStringList> gSystemOverride;      // guarded by gMutex
int gLazyCreations = 0;                          // guarded by gMutex


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
        if (shippedLanguages.contains(lang))
            return lang;
    }
    return shippedLanguages.first();
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
    bundle->path = i18nRoot;
    // Only a plain code names a folder; anything with a path separator falls back to English.
    if (lang.isEmpty() || lang.contains(u'/') || lang.contains(u'\\'))
        return bundle;
    const QString folder = i18nRoot + u'/' + lang + QStringLiteral(".lproj");
    if (!QFileInfo(folder).isDir())
        return bundle;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(folder + u'/' + tableName))
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
        const QVariant stored = settingsStore().value(QStringLiteral("appLanguage"));
        const QString code = stored.isValid() ? stored.toString() : QStringLiteral("system");
        gBundle = resolve(code, systemLanguagesLocked());
        ++gLazyCreations;
    }
    return gBundle;
}

// The English counted forms, loaded once; an empty table when missing.
const QTranslator &englishCounts()
{
    static const QTranslator *table = [] {
        auto *t = new QTranslator;
        (void)t->load(englishCountsTable);
        return t;
    }();
    return *table;
}

// Tells every widget that the texts changed, as Qt itself does when a translator is
// installed, and delivers it before returning: when apply() returns, every view has
// re-set its texts in changeEvent(QEvent::LanguageChange).
void announceLanguageChange()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(app, &change);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
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
        QString found = bundle->translator->translate(translationContext, utf8.constData());
        if (!found.isEmpty())
            text = std::move(found);
    }
    if (args.isEmpty())
        return text;
    return formatText(text, args);
}

QString Ln(const QString &key, qint64 count, const QVariantList &args)
{
    const std::shared_ptr<const Bundle> bundle = current();
    const QByteArray utf8 = key.toUtf8();
    // The tables choose a form by an int; past its range every form is the plural one.
    const int n = int(std::clamp<qint64>(count, 0, std::numeric_limits<int>::max()));
    QString text;
    if (bundle->translator)
        text = bundle->translator->translate(translationContext, utf8.constData(), nullptr, n);
    if (text.isEmpty())
        text = englishCounts().translate(translationContext, utf8.constData(), nullptr, n);
    if (text.isEmpty())
        text = key;
    text.replace(QLatin1String("%n"), QString::number(count));
    return formatText(text, args);
}

namespace Language {

void apply(const QString &code)
{
    {
        std::lock_guard lock(gMutex);
        gBundle = resolve(code, systemLanguagesLocked());
    }
    QSettings store = settingsStore();
    if (code == QLatin1String("system"))
        store.remove(QStringLiteral("AppleLanguages"));
    else
        store.setValue(QStringLiteral("AppleLanguages"), QStringList{code});
    store.sync();
    announceLanguageChange();
}

bool isSpanish()
{
    return current()->path.endsWith(QLatin1String("es.lproj"));
}

QLocale locale()
{
    return isSpanish() ? QLocale(QLocale::Spanish, QLocale::Spain) : QLocale(QLocale::English, QLocale::UnitedStates);
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
    return i18nRoot + QStringLiteral("/es.lproj/") + tableName;
}

QString englishCountsPath()
{
    return englishCountsTable;
}

} // namespace Language

} // namespace vidorra
