// The language choice: the stored preference on first use, the system's list for
// "system", apply and its "AppleLanguages" entry, fallback to the keys, and first use
// from several threads at once.
#include "Language.h"
#include "LanguageTesting.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace vidorra;

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
}

// A key that the Spanish table is known to hold.
const char kKnown[] = "Language";
const char kKnownSpanish[] = "Idioma";

class TextLanguage : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings s = store();
        s.clear();
        s.sync();
        Language::setSystemLanguagesOverride(QStringList{QStringLiteral("en-US")});
        Language::forgetForTesting();
    }
    void TearDown() override
    {
        Language::setSystemLanguagesOverride(std::nullopt);
        Language::forgetForTesting();
        QSettings s = store();
        s.clear();
    }
    static void storeChoice(const QVariant &code)
    {
        QSettings s = store();
        s.setValue(QStringLiteral("appLanguage"), code);
        s.sync();
    }
};

} // namespace

TEST_F(TextLanguage, SpanishTableIsEmbeddedInTheExecutable)
{
    EXPECT_TRUE(QFile::exists(Language::spanishTablePath()));
    EXPECT_TRUE(Language::spanishTablePath().contains(QLatin1String("es.lproj/")));
}

TEST_F(TextLanguage, SystemChoiceFollowsTheSystemList)
{
    // No stored choice counts as "system".
    Language::setSystemLanguagesOverride(QStringList{"es-ES", "en-US"});
    Language::forgetForTesting();
    EXPECT_TRUE(Language::isSpanish());
    EXPECT_EQ(L(kKnown), kKnownSpanish);

    Language::setSystemLanguagesOverride(QStringList{"fr-FR", "de"});
    Language::forgetForTesting();
    EXPECT_FALSE(Language::isSpanish());
    EXPECT_EQ(L(kKnown), kKnown);

    // The first shipped language in the list wins, whatever stands before it.
    Language::setSystemLanguagesOverride(QStringList{"fr-FR", "es_MX", "en"});
    Language::forgetForTesting();
    EXPECT_TRUE(Language::isSpanish());
    Language::setSystemLanguagesOverride(QStringList{"fr", "en-GB", "es"});
    Language::forgetForTesting();
    EXPECT_FALSE(Language::isSpanish());

    // An empty list, or one of odd tags, gives English.
    Language::setSystemLanguagesOverride(QStringList{});
    Language::forgetForTesting();
    EXPECT_FALSE(Language::isSpanish());
    Language::setSystemLanguagesOverride(QStringList{"", "C", "esperanto"});
    Language::forgetForTesting();
    EXPECT_FALSE(Language::isSpanish());
}

TEST_F(TextLanguage, StoredChoiceTakesEffectOnFirstUse)
{
    Language::setSystemLanguagesOverride(QStringList{"en-US"});
    storeChoice("es");
    Language::forgetForTesting();
    EXPECT_EQ(L(kKnown), kKnownSpanish);

    storeChoice("en");
    Language::forgetForTesting();
    Language::setSystemLanguagesOverride(QStringList{"es"});
    EXPECT_EQ(L(kKnown), kKnown);

    storeChoice("system");
    Language::forgetForTesting();
    EXPECT_TRUE(Language::isSpanish());
}

TEST_F(TextLanguage, UnknownOrHostileStoredCodesGiveEnglish)
{
    for (const QVariant &code : {QVariant("fr"), QVariant(""), QVariant("../i18n/es"), QVariant("es.lproj/.."),
                                 QVariant("es/"), QVariant(42)}) {
        storeChoice(code);
        Language::forgetForTesting();
        EXPECT_FALSE(Language::isSpanish()) << code.toString().toStdString();
        EXPECT_EQ(L(kKnown), kKnown);
    }
}

TEST_F(TextLanguage, ApplyWritesAndRemovesAppleLanguages)
{
    Language::setSystemLanguagesOverride(QStringList{"fr-FR"});
    Language::apply("es");
    EXPECT_TRUE(Language::isSpanish());
    EXPECT_EQ(L(kKnown), kKnownSpanish);
    EXPECT_EQ(store().value("AppleLanguages").toStringList(), QStringList{"es"});

    // Our own list does not count as the system's: "system" takes French, so English.
    Language::apply("system");
    EXPECT_FALSE(store().contains("AppleLanguages"));
    EXPECT_FALSE(Language::isSpanish());
    EXPECT_EQ(L(kKnown), kKnown);

    Language::setSystemLanguagesOverride(QStringList{"es-AR"});
    Language::apply("system");
    EXPECT_TRUE(Language::isSpanish());

    Language::apply("en");
    EXPECT_FALSE(Language::isSpanish());
    EXPECT_EQ(store().value("AppleLanguages").toStringList(), QStringList{"en"});
    EXPECT_EQ(L(kKnown), kKnown);
}

TEST_F(TextLanguage, ApplyWinsOverTheStoredChoice)
{
    // apply before any text: the lazy first use must not overwrite the applied table.
    storeChoice("en");
    Language::forgetForTesting();
    Language::apply("es");
    EXPECT_TRUE(Language::isSpanish());
    EXPECT_EQ(L(kKnown), kKnownSpanish);
}

TEST_F(TextLanguage, UntranslatedKeysComeBackUnchangedInEveryLanguage)
{
    const QString key = QStringLiteral("No such key \u00e9\u4e2d %d");
    for (const char *code : {"en", "es", "system", "xx"}) {
        Language::apply(code);
        EXPECT_EQ(L(key), key) << code;
        EXPECT_EQ(L(key, {4}), QStringLiteral("No such key \u00e9\u4e2d 4")) << code;
        EXPECT_EQ(L(QString()), QString()) << code;
    }
}

TEST_F(TextLanguage, ConcurrentReadersWhileSwitching)
{
    storeChoice("es");
    Language::forgetForTesting();
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            while (!stop.load()) {
                const QString text = L(kKnown, {1});
                if (text != QLatin1String(kKnownSpanish) && text != QLatin1String(kKnown))
                    ++wrong;
                ++reads;
            }
        });
    }
    // Switching while readers run must neither crash nor produce mixed texts, and
    // every switch is seen at once by the switching thread.
    for (int i = 0; i < 20; ++i) {
        const bool es = i % 2;
        Language::apply(es ? "es" : "en");
        EXPECT_EQ(L(kKnown), es ? kKnownSpanish : kKnown);
    }
    stop = true;
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

TEST_F(TextLanguage, FirstUseFromManyThreadsResolvesOnce)
{
    storeChoice("es");
    Language::forgetForTesting();
    const int before = Language::lazyCreationsForTesting();
    std::atomic<bool> go{false};
    std::atomic<int> spanish{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            while (!go.load())
                std::this_thread::yield();
            if (L(kKnown) == QLatin1String(kKnownSpanish))
                ++spanish;
        });
    }
    go = true;
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(spanish.load(), 8);
    EXPECT_EQ(Language::lazyCreationsForTesting(), before + 1);
}
