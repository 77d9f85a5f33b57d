#pragma once
// Every user-visible text goes through L, keyed by its English wording.

#include <QString>
#include <QVariantList>

namespace vidorra {

// The text for `key` in the current language (the key itself when untranslated).
// With arguments the text is a printf-style format: "%@" takes a text, "%d" an integer.
// Safe to call from any thread.
QString L(const QString &key, const QVariantList &args = {});

namespace Language {
// Switches the language at once: "system", "en" or "es".
void apply(const QString &code);
// Whether texts currently come from the Spanish table.
bool isSpanish();
} // namespace Language

} // namespace vidorra
