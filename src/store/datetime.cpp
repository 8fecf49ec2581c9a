#include "store/datetime.h"

#include <cmath>

namespace vexaris::store {

namespace {

constexpr qint64 kMsPerDay = 86'400'000;
// 1 January 1970 counted from 30 December 1899.
constexpr qint64 kEpochDays = 25'569;

} // namespace

double toDays(const QDateTime &time)
{
    const qint64 ms = time.toMSecsSinceEpoch() + kEpochDays * kMsPerDay;
    // Split into whole days and the time of day without going through a rounded double first.
    const qint64 day = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
    const qint64 msOfDay = ms - day * kMsPerDay;
    const double fraction = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
    if (day >= 0)
        return static_cast<double>(day) + fraction;
    return static_cast<double>(day) - fraction;
}

QDateTime fromDays(double days)
{
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    const qint64 msOfDay = std::llround(fraction * static_cast<double>(kMsPerDay));
    const qint64 ms = static_cast<qint64>(whole) * kMsPerDay + msOfDay - kEpochDays * kMsPerDay;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace vexaris::store
