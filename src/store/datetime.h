// Date-time values as the database keeps them: a double counting days since 30 December 1899,
// the fraction being the time of day. Before that day the whole part counts backwards while the
// fraction still runs forward (-1.25 is 29 December 1899, 06:00). Times are UTC, to the
// millisecond.
#pragma once

#include <QDateTime>

namespace vexaris::store {

double toDays(const QDateTime &time);
QDateTime fromDays(double days);

} // namespace vexaris::store
