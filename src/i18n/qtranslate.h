// qtr(): the catalog lookup for Qt code, marked for extraction like _().
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "i18n/translate.h"

namespace vexaris {

inline QString qtr(const char *text)
{
    return QString::fromStdString(_(text));
}

// A format text translated first, its %s and %d replaced by the arguments in order afterwards
// (%% stands for one %), so that an argument is never looked up or read as a format.
inline QString qtrFormat(const char *format, std::initializer_list<QString> args)
{
    std::vector<std::string> utf8;
    utf8.reserve(args.size());
    for (const QString &arg : args)
        utf8.push_back(arg.toStdString());
    const std::vector<std::string_view> views(utf8.begin(), utf8.end());
    return QString::fromStdString(formatText(_(format), views));
}

} // namespace vexaris
