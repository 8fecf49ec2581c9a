// The message catalog of the current interface language: which language is current, where its
// catalog lives, whether it can be used, and the lookup that every text of the program goes
// through. Qt Core only, so that the command line shares it with the desktop program.
#pragma once

#include <functional>
#include <string>

#include <QString>

namespace vexaris::i18n {

enum class CatalogState {
    NotOpened, // a language was selected, no text looked up since
    Open,
    Missing, // neither catalog file exists: texts stay English until the language changes
    SwitchedOff, // the catalog was not UTF-8: texts stay English until the program ends
};

// The folder that holds one sub-folder per language code. Unless set, the program folder's
// "locale" (which needs a QCoreApplication to be known).
QString catalogRoot();
void setCatalogRoot(const QString &root);

// Makes a language code current; an empty code means the default language. The next lookup
// opens the catalog of the new code.
void SelectLanguage(const QString &code);
QString currentLanguage();
CatalogState catalogState();

// The catalog file of a language code below root, falling back to the code's first two
// characters (de_AT uses de); empty when neither exists.
QString catalogFile(const QString &root, const QString &code);

// The default language from its three sources, in order: the LANG value (up to a "."), the
// user's locale name as language_COUNTRY, the platform's locale identifier (0 for none).
QString defaultLanguage(const QString &lang, const QString &userLocale, int localeId);
// The same from this process's environment.
QString defaultLanguage();
// The language code of a platform locale identifier, "C" for an unknown one.
QString languageForLocaleId(int localeId);

// The translation of a UTF-8 English text, or the text itself.
std::string translate(const char *text);

// Told once when a catalog turns out not to be UTF-8, with the complete message. The desktop
// program shows it in a box; without a handler it goes to standard error.
using CharsetProblemHandler = std::function<void(const std::string &caption, const std::string &message)>;
void setCharsetProblemHandler(CharsetProblemHandler handler);

// Forgets the language, the catalog state and the switch-off, as at program start. For tests,
// which need several program lifetimes in one process.
void resetCatalogForTests();

} // namespace vexaris::i18n
