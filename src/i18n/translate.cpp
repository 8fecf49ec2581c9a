#include "i18n/translate.h"

#include "i18n/lookup.h"

namespace vexaris {

std::string _(const char *text)
{
    return i18n::translate(text);
}

std::string formatText(std::string_view format, std::span<const std::string_view> args)
{
    std::string result;
    result.reserve(format.size() + 16);
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            const char next = format[i + 1];
            if (next == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (next == 's' || next == 'd') {
                if (arg != args.end())
                    result += *arg++;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace vexaris
