#include "i18n/catalogtranslator.h"

#include <cstring>

#include "i18n/catalog.h"
#include "i18n/translate.h"

namespace vexaris::i18n {

QString CatalogTranslator::translate(const char *, const char *sourceText, const char *, int) const
{
    if (!sourceText || !*sourceText)
        return {};
    // An empty answer tells Qt to keep its own text; the lookup itself leaves texts of other
    // threads untranslated.
    const std::string translated = i18n::translate(sourceText);
    if (translated == sourceText)
        return {};
    return QString::fromStdString(translated);
}

const std::vector<const char *> &toolkitTexts()
{
    static const std::vector<const char *> texts {
        // Standard buttons of message, input and dialog boxes.
        N_("OK"),
        N_("&OK"),
        N_("Cancel"),
        N_("&Cancel"),
        N_("&Yes"),
        N_("&No"),
        N_("Yes to &All"),
        N_("N&o to All"),
        N_("Save"),
        N_("&Save"),
        N_("Save All"),
        N_("Open"),
        N_("Close"),
        N_("&Close"),
        N_("Abort"),
        N_("Retry"),
        N_("Ignore"),
        N_("Discard"),
        N_("Help"),
        N_("Apply"),
        N_("Reset"),
        N_("Restore Defaults"),
        // The details button of a message box.
        N_("Show Details..."),
        N_("Hide Details..."),
        // The context menu of a line edit (the input box).
        N_("&Undo"),
        N_("&Redo"),
        N_("Cu&t"),
        N_("&Copy"),
        N_("&Paste"),
        N_("Delete"),
        N_("Select All"),
    };
    return texts;
}

} // namespace vexaris::i18n
