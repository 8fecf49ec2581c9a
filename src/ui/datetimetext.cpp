#include "ui/datetimetext.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

namespace vexaris::ui {

QString localDateTimeText(const QDateTime &time)
{
    const QLocale locale;
    // The long time format has the seconds; its zone is added by the caller, in one way for all.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    timeFormat.remove(zone);
    const QDateTime local = time.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(local.time(), timeFormat.trimmed());
}

QString localTimeZoneText(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const QString abbreviation = local.timeZoneAbbreviation();
    if (!abbreviation.isEmpty())
        return abbreviation;
    return local.timeZone().displayName(local, QTimeZone::OffsetName, QLocale());
}

QString localDateTimeWithZoneText(const QDateTime &time)
{
    return localDateTimeText(time) + QLatin1Char(' ') + localTimeZoneText(time);
}

} // namespace vexaris::ui
