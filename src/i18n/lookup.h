// The lookup of texts in the current interface language's catalog: plain C++ over glibc's
// libintl, so that the Qt-free modules (picture loading, signatures) translate their messages as
// the rest of the program does. Which language is current is decided in catalog.h; this part
// only opens the catalog it is told about and answers lookups.
#pragma once

#include <functional>
#include <string>

namespace vexaris::i18n {

enum class CatalogState {
    NotOpened, // a language was selected, no text looked up since
    Open,
    Missing, // neither catalog file exists: texts stay English until the language changes
    SwitchedOff, // the catalog was not UTF-8: texts stay English until the program ends
};

// The language code, and the folder holding one sub-folder per code, that the next lookup opens.
// Setting either makes the catalog open again at the next lookup (unless it was switched off).
void setLookupLanguage(const std::string &code);
std::string lookupLanguage();
void setLookupRoot(const std::string &root);
std::string lookupRoot();
CatalogState catalogState();

// The catalog file of a language code below root, falling back to the code's first two
// characters (de_AT uses de); empty when neither exists or the code could leave the root.
std::string catalogFileOf(const std::string &root, const std::string &code);

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
