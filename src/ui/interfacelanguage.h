// Start of translation in the desktop program.
#pragma once

#include <string>

namespace vexaris::i18n {

// Qt's own texts go through the catalog from now on, a catalog that is not UTF-8 is reported in
// a message box, and the default language is selected. Call once the QApplication exists and
// before the first window is created.
void startInterfaceTranslation();

// The "Localization problem" box.
void showLocalizationProblem(const std::string &caption, const std::string &message);

} // namespace vexaris::i18n
