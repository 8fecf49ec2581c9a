// The one way into the message catalog. Every text the user sees passes through _() (or qtr()
// in Qt code) at the moment it is shown; a format text is translated first and its arguments are
// inserted afterwards with formatText(). N_() only marks a text for extraction.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#define N_(text) text

namespace vexaris {

// Translation of an English UTF-8 text in the current interface language, or the text itself.
std::string _(const char *text);

// Replaces %s and %d in order by the arguments; %% stands for one %.
std::string formatText(std::string_view format, std::span<const std::string_view> args);
inline std::string formatText(std::string_view format, std::initializer_list<std::string_view> args)
{
    return formatText(format, std::span<const std::string_view>(args.begin(), args.size()));
}

} // namespace vexaris
