#pragma once
// Hooks for tests of the language choice: the system's language list cannot be changed
// inside a running process, and the lazy first use has to be repeatable.

#include <QStringList>
#include <optional>

namespace vidorra::Language {

// The system's preferred languages as used for "system", most preferred first.
QStringList systemLanguages();
// Replaces the system's list until called again with std::nullopt.
void setSystemLanguagesOverride(std::optional<QStringList> languages);
// Forgets the current table so the next text looks up "appLanguage" again.
void forgetForTesting();
// How many times the table has been created lazily from "appLanguage" so far.
int lazyCreationsForTesting();
// Where texts currently come from: the table's folder, or the resource root for English.
QString bundlePath();
// The compiled Spanish table inside the resources.
QString spanishTablePath();
// The compiled English counted forms inside the resources.
QString englishCountsPath();

} // namespace vidorra::Language
