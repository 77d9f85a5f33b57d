#pragma once
// Every user-visible text goes through L (or Ln for a text with a count), keyed by its
// English wording.
//
// Switching the language (Language::apply) sends QEvent::LanguageChange to every widget
// before it returns. A view that sets a text once (a label, a button title, a tool tip,
// a menu action) re-sets it there, in one place:
//
//     void changeEvent(QEvent *event) override
//     {
//         if (event->type() == QEvent::LanguageChange)
//             retranslate();          // every fixed text of this view, through L/Ln
//         Base::changeEvent(event);
//     }
//
// Texts computed while painting need nothing: the event repaints every widget.

#include <QLocale>
#include <QString>
#include <QVariantList>

namespace vidorra {

// The text for `key` in the current language (the key itself when untranslated).
// With arguments the text is a printf-style format: "%@" takes a text, "%d" an integer,
// filled in order; "%%" is a percent sign. Safe to call from any thread.
// Always pass the key as a string literal: a test collects the keys from the sources and
// checks that resources/translations/*_es.ts gives each one its Spanish.
QString L(const QString &key, const QVariantList &args = {});

// A text that names a count, in the form the language uses for it. `key` is the English
// text for a count other than one, with "%n" where the count goes; the other
// placeholders are filled from `args` as in L:
//
//                                          English          Spanish
//     Ln("%n clips", 1)                    "1 clip"         "1 clip"
//     Ln("%n clips", 21)                   "21 clips"       "21 clips"
//     Ln("%n clips · %@", n, {size})       "2 clips · 4 MB" "2 clips · 4 MB"
//
// Each key needs its forms in two Linguist files, as a message with numerus="yes":
// the English singular in resources/translations/<subsystem>_en.ts (the other English
// form is the key itself), both Spanish forms in <subsystem>_es.ts. A test checks both
// for every counted key in the sources. Without an entry the key shows as it stands.
QString Ln(const QString &key, qint64 count, const QVariantList &args = {});

namespace Language {
// Switches the language at once: "system", "en" or "es".
void apply(const QString &code);
// Whether texts currently come from the Spanish table.
bool isSpanish();
// The locale that goes with the texts in effect, for numbers and sizes ("1,5 MB" in
// Spanish), whatever the system's own locale is.
QLocale locale();
} // namespace Language

} // namespace vidorra
