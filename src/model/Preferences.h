#pragma once
// Everything the application remembers between runs, in QSettings under the
// organisation and application "Vidorra". Each setter writes through at once: nothing
// is saved at quit. Safe to call from the main thread; readers may run anywhere.

#include <QString>
#include <optional>

namespace vidorra::Preferences {

inline constexpr const char *appLanguageKey = "appLanguage";
inline constexpr const char *appleLanguagesKey = "AppleLanguages"; // written by Language::apply
inline constexpr const char *appearanceKey = "appearance";
inline constexpr const char *skipIntroKey = "skipIntro";
inline constexpr const char *renameTemplateKey = "renameTemplate";
inline constexpr const char *lastFolderPathKey = "lastFolderPath";
inline constexpr const char *windowSizedKey = "windowSized4";
inline constexpr const char *windowSizeResetKey = "windowSizeReset2";
// The .cube file chosen for the grade of D-Log, D-Log 2, and the other log and HLG profiles.
inline constexpr const char *lutPathDLogKey = "lutPath.dLog";
inline constexpr const char *lutPathDLog2Key = "lutPath.dLog2";
inline constexpr const char *lutPathGeneralKey = "lutPath.general";
// The folder that imports from cards go into, each in a sub-folder of its own.
inline constexpr const char *importFolderKey = "importFolder";

// "system", "en" or "es"; "system" when absent.
QString appLanguage();
void setAppLanguage(const QString &code);

// "system", "light" or "dark" (any other value means: follow the system); "system" when absent.
QString appearance();
void setAppearance(const QString &mode);

// Start every scan on the organized stage; false when absent.
bool skipIntro();
void setSkipIntro(bool skip);

// The last rename template used; "{date}_{profile}_{res}{fps}_{num}" when absent.
QString renameTemplate();
void setRenameTemplate(const QString &templ);

// Where imports from cards go; none when absent or empty.
std::optional<QString> importFolder();
void setImportFolder(const QString &path);

// The folder to reopen at launch; none when absent.
std::optional<QString> lastFolderPath();
void setLastFolderPath(const QString &path);

// The window was given its first-run size; false when absent.
bool windowSized();
void setWindowSized(bool sized);

// The one-time reset of saved window geometry is done; false when absent.
bool windowSizeReset();
void setWindowSizeReset(bool done);

// The colour table file chosen under `key` (one of the kLutPath keys); none when absent or
// empty, which means the built-in grade. Setting none removes the key.
std::optional<QString> lutPath(const char *key);
void setLutPath(const char *key, const std::optional<QString> &path);

} // namespace vidorra::Preferences
