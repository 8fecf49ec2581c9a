// Date-times as the windows show them: in the user's regional format and time zone, to the
// second, with the zone named, since the database keeps UTC.
#pragma once

#include <QDateTime>
#include <QString>

namespace vexaris::ui {

// The date and the time to the second, without the zone.
QString localDateTimeText(const QDateTime &time);
// The abbreviation of the user's zone at that time (CET, CEST), else its offset from UTC.
QString localTimeZoneText(const QDateTime &time);
// Both, separated by a blank.
QString localDateTimeWithZoneText(const QDateTime &time);

} // namespace vexaris::ui
