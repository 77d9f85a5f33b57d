// The language choice: the stored preference on first use, the system's list for
// "system", apply and its "AppleLanguages" entry, fallback to the keys, and first use
// from several threads at once.
#include "text/Language.h"
#include "text/LanguageTesting.h"

#include <QSettings>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace vidorra;

namespace {

QSettings store() { return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")); }

// A key that the Spanish table is known to hold.
const char kKnown[] = "Language";
const char kKnownSpanish[] = "Idioma";

class TextLanguage : public ::testing::Test {
protected:
    void SetUp() override { store().clear(); }
    void TearDown() override
    {
        Language::setSystemLanguagesOverride(std::nullopt);
        Language::forgetForTesting();
        store().clear();
    }
    // Whether the first text after a start with this stored choice and system list is Spanish.
    static bool firstUseIsSpanish(const QVariant &stored, const QStringList &system)
    {
        QSettings s = store();
        s.remove(QStringLiteral("appLanguage"));
        if (stored.isValid())
            s.setValue(QStringLiteral("appLanguage"), stored);
        s.sync();
        Language::setSystemLanguagesOverride(system);
        Language::forgetForTesting();
        const bool spanish = L(kKnown) == QLatin1String(kKnownSpanish);
        EXPECT_EQ(Language::isSpanish(), spanish);
        return spanish;
    }
};

} // namespace

TEST_F(TextLanguage, StoredChoiceAndSystemListOnFirstUse)
{
    const struct { QVariant stored; QStringList system; bool spanish; } rows[] = {
        {{}, {"es-ES", "en-US"}, true}, {{}, {"fr-FR", "de"}, false}, // no stored choice counts as "system"
        {"system", {"fr-FR", "es_MX", "en"}, true}, {"system", {"fr", "en-GB", "es"}, false}, // the first shipped wins
        {"system", {" EN-us", "es"}, false}, // tags are read loosely
        {"system", {}, false}, {"system", {"", "C", "esperanto"}, false},
        {"es", {"en-US"}, true}, {"en", {"es"}, false},
        // Unknown or hostile codes never name another folder.
        {"fr", {"es"}, false}, {"", {"es"}, false}, {"../i18n/es", {"es"}, false},
        {"es.lproj/..", {"es"}, false}, {"es/", {"es"}, false}, {42, {"es"}, false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(firstUseIsSpanish(row.stored, row.system), row.spanish)
            << row.stored.toString().toStdString() << " with " << row.system.join(u',').toStdString();
}

TEST_F(TextLanguage, ApplyWinsAndWritesAppleLanguages)
{
    // apply before any text: the lazy first use must not overwrite the applied table.
    firstUseIsSpanish("en", {"fr-FR"});
    Language::forgetForTesting();
    Language::apply("es");
    EXPECT_EQ(L(kKnown), kKnownSpanish);
    EXPECT_EQ(store().value("AppleLanguages").toStringList(), QStringList{"es"});

    // Our own list does not count as the system's: "system" takes French, so English.
    Language::apply("system");
    EXPECT_FALSE(store().contains("AppleLanguages"));
    EXPECT_EQ(L(kKnown), kKnown);
    Language::apply("en");
    EXPECT_EQ(store().value("AppleLanguages").toStringList(), QStringList{"en"});
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

TEST_F(TextLanguage, FirstUseFromManyThreadsThenSwitchingUnderReaders)
{
    firstUseIsSpanish("es", {"en"});
    Language::forgetForTesting();
    const int before = Language::lazyCreationsForTesting();
    std::atomic<bool> go{false}, stop{false};
    std::atomic<int> firstSpanish{0}, firstReads{0}, reads{0}, wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            while (!go.load())
                std::this_thread::yield();
            firstSpanish += L(kKnown) == QLatin1String(kKnownSpanish);
            for (++firstReads; !stop.load(); ++reads) {
                const QString text = L(kKnown, {1});
                wrong += text != QLatin1String(kKnownSpanish) && text != QLatin1String(kKnown);
            }
        });
    }
    go = true;
    while (firstReads.load() < 6)
        std::this_thread::yield();
    // The stored choice is looked up once, however many threads ask first.
    EXPECT_EQ(firstSpanish.load(), 6);
    EXPECT_EQ(Language::lazyCreationsForTesting(), before + 1);
    // Switching while readers run must neither crash nor produce mixed texts, and
    // every switch is seen at once by the switching thread.
    for (int i = 0; i < 20; ++i) {
        Language::apply(i % 2 ? "es" : "en");
        EXPECT_EQ(L(kKnown), i % 2 ? kKnownSpanish : kKnown);
    }
    stop = true;
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

TEST_F(TextLanguage, CountedTextsTakeTheFormOfTheirCount)
{
    const struct { const char *code; qint64 count; const char *clips, *issues; } rows[] = {
        {"en", 0, "0 clips", "Finished with 0 issues:"}, {"en", 1, "1 clip", "Finished with 1 issue:"},
        {"en", 2, "2 clips", "Finished with 2 issues:"}, {"en", 21, "21 clips", "Finished with 21 issues:"},
        {"es", 0, "0 clips", "Terminado con 0 problemas:"}, {"es", 1, "1 clip", "Terminado con 1 problema:"},
        {"es", 2, "2 clips", "Terminado con 2 problemas:"}, {"es", 21, "21 clips", "Terminado con 21 problemas:"},
        // Past the tables' int range the count is still written whole, in the plural.
        {"en", 5'000'000'000, "5000000000 clips", "Finished with 5000000000 issues:"},
    };
    for (const auto &row : rows) {
        Language::apply(row.code);
        EXPECT_EQ(Ln("%n clips", row.count), row.clips) << row.code << row.count;
        EXPECT_EQ(Ln("Finished with %n issues:", row.count), row.issues) << row.code << row.count;
    }
    // Other placeholders are filled in order after the count; a key without forms shows as
    // it stands, with its count.
    Language::apply("es");
    EXPECT_EQ(Ln("Rename %n Clips", 1), "Renombrar 1 clip");
    EXPECT_EQ(Ln("%n clips · %@", 1, {"11.2 kB"}), "1 clip · 11.2 kB");
    EXPECT_EQ(Ln("No forms for %n things, %d%%", 1, {7}), "No forms for 1 things, 7%");
    Language::apply("en");
    EXPECT_EQ(Ln("Rename %n Clips", 1), "Rename 1 Clip");
    EXPECT_EQ(Ln("%n clips · %@", 1, {"11.2 kB"}), "1 clip · 11.2 kB");
}
