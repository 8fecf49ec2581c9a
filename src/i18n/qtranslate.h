// qtr(): the catalog lookup for Qt code, marked for extraction like _().
#pragma once

#include <initializer_list>

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
    const QString translated = qtr(format);
    QString result;
    result.reserve(translated.size() + 16);
    auto arg = args.begin();
    for (qsizetype i = 0; i < translated.size(); ++i) {
        const QChar c = translated.at(i);
        if (c == QLatin1Char('%') && i + 1 < translated.size()) {
            const QChar next = translated.at(i + 1);
            if (next == QLatin1Char('%')) {
                result += c;
                ++i;
                continue;
            }
            if (next == QLatin1Char('s') || next == QLatin1Char('d')) {
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
