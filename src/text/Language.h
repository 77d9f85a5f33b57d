#pragma once
// Every user-visible text goes through L, keyed by its English wording.

#include <QString>
#include <QVariantList>

namespace vidorra {

// The text for `key` in the current language (the key itself when untranslated).
// With arguments the text is a printf-style format: "%@" takes a text, "%d" an integer,
// filled in order; "%%" is a percent sign. Safe to call from any thread.
// Always pass the key as a string literal: a test collects the keys from the sources and
// checks that resources/translations/*_es.ts gives each one its Spanish.
QString L(const QString &key, const QVariantList &args = {});

namespace Language {
// Switches the language at once: "system", "en" or "es".
void apply(const QString &code);
// Whether texts currently come from the Spanish table.
bool isSpanish();
} // namespace Language

} // namespace vidorra
