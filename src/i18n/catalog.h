// The message catalog of the current interface language: which language is current and where its
// catalog lives, in Qt's terms. Qt Core only, so that the command line shares it with the desktop
// program; the lookup every text goes through is in lookup.h.
#pragma once

#include <QString>

#include "i18n/lookup.h"

namespace vexaris::i18n {

// The folder that holds one sub-folder per language code. Unless set, the program folder's
// "locale" (which needs a QCoreApplication to be known).
QString catalogRoot();
void setCatalogRoot(const QString &root);

// Makes a language code current; an empty code means the default language. The next lookup
// opens the catalog of the new code.
void SelectLanguage(const QString &code);
QString currentLanguage();

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

} // namespace vexaris::i18n
