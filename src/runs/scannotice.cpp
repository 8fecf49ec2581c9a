#include "runs/scannotice.h"

#include "i18n/translate.h"
#include "imaging/difference.h"

namespace vexaris::runs {

std::string noDuplicatesNotice(int method)
{
    std::string text = _("No duplicates were found during the scan. If you suspect that there still are duplicates, "
                         "you may try to scan with a higher threshold.");
    if (method == static_cast<int>(imaging::ComparisonMethod::FileProperties))
        text += "\n\n"
            + _("The file properties method finds only copies whose sizes and dates agree; the methods that compare "
                "the color image also find copies that were scaled, converted or retouched.");
    return text;
}

} // namespace vexaris::runs
