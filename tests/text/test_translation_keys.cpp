// Every text the code passes to L has a Spanish entry in the table the build embeds, and
// every counted text passed to Ln has both Spanish forms and its English singular. The
// keys are collected from the sources as they stand, so a new L("...") or Ln("...")
// without a translation fails here.
#include "text/LanguageTesting.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

struct Use {
    QString key, where; // where: file:line
    bool counted;       // Ln: the text has forms by count
};

// Undoes the C escapes a key can contain: \n, \t, and \" \\ \' as themselves.
QString unescape(const QString &literal)
{
    QString out;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        const QChar c = literal.at(i);
        const QChar e = c == u'\\' && i + 1 < literal.size() ? literal.at(++i) : QChar();
        out += e.isNull() ? c : e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
    }
    return out;
}

QList<Use> collectKeys(const QString &root)
{
    // L( or Ln( followed by one string literal, or several that the compiler joins.
    static const QRegularExpression call(
        QStringLiteral(R"re((?<![\w.>])L(n?)\(\s*((?:"(?:[^"\\\n]|\\.)*"\s*)+))re"));
    static const QRegularExpression piece(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
    QList<Use> uses;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        auto m = call.globalMatch(text);
        while (m.hasNext()) {
            const auto match = m.next();
            const int line = int(QStringView(text).left(match.capturedStart()).count(u'\n')) + 1;
            QString key;
            auto pieces = piece.globalMatch(match.captured(2));
            while (pieces.hasNext())
                key += unescape(pieces.next().captured(1));
            uses.append({key, path.mid(root.size() + 1) + u':' + QString::number(line), !match.captured(1).isEmpty()});
        }
    }
    return uses;
}

} // namespace

TEST(TextTranslationKeys, CollectorFindsCallsAndSkipsLookAlikes)
{
    // The collector itself: run it over a small tree of its own.
    QTemporaryDir dir;
    QFile f(dir.path() + "/sample.cpp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("auto a = L(\"Sorted\");\n"
            "auto b = vidorra::L( \"Delete %d clips?\", {n});\n"
            "auto c = URL(\"not a key\"); auto d = x.L(\"nor this\");\n"
            "auto e = L(\"Say \\\"hi\\\"\");\n"
            "auto f = L(\"Two \"\n    \"lines\", {1});\n"
            "auto g = Ln(\"%n clips\", n); auto h = xLn(\"nor this\", n);\n");
    f.close();
    QStringList keys;
    for (const Use &u : collectKeys(dir.path()))
        keys << (u.counted ? QStringLiteral("n:") : QString()) + u.key;
    EXPECT_EQ(keys, (QStringList{"Sorted", "Delete %d clips?", "Say \"hi\"", "Two lines", "n:%n clips"}));
}

TEST(TextTranslationKeys, EveryKeyInTheSourcesHasSpanish)
{
    QTranslator table, english;
    ASSERT_TRUE(table.load(vidorra::Language::spanishTablePath())) << "the Spanish table is not embedded";
    ASSERT_TRUE(english.load(vidorra::Language::englishCountsPath())) << "the English forms are not embedded";
    // A counted text needs a form for one and a form for many.
    const auto hasForms = [](const QTranslator &t, const QByteArray &key) {
        return !t.translate("Vidorra", key.constData(), nullptr, 1).isEmpty()
            && !t.translate("Vidorra", key.constData(), nullptr, 2).isEmpty();
    };
    QStringList missing;
    for (const Use &u : collectKeys(QStringLiteral(VIDORRA_SOURCE_DIR "/src"))) {
        const QByteArray key = u.key.toUtf8();
        if (u.counted ? !hasForms(table, key) : table.translate("Vidorra", key.constData()).isEmpty())
            missing << u.where + QStringLiteral(": ") + u.key;
        if (u.counted && !hasForms(english, key))
            missing << u.where + QStringLiteral(": ") + u.key + QStringLiteral(" (English forms, <subsystem>_en.ts)");
    }
    EXPECT_TRUE(missing.isEmpty()) << "keys without Spanish (add them to resources/translations/"
                                      "<subsystem>_es.ts):\n"
                                   << missing.join(u'\n').toStdString();
}
