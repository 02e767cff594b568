#include "platform/localclock.h"

#include <algorithm>
#include <atomic>
#include <ctime>

namespace gaugeloft {

namespace {
constexpr std::time_t kZoneRereadSeconds = 60;
std::atomic<std::time_t> zoneReadAt {0};
} // namespace

QDateTime CurrentLocalDateTime()
{
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return QDateTime::currentDateTime();
    // localtime_r uses the zone read last; tzset reads it again when its file changed
    const std::time_t readAt = zoneReadAt.load(std::memory_order_relaxed);
    if (now.tv_sec < readAt || now.tv_sec - readAt >= kZoneRereadSeconds) {
        ::tzset();
        zoneReadAt.store(now.tv_sec, std::memory_order_relaxed);
    }
    std::tm local {};
    if (!::localtime_r(&now.tv_sec, &local))
        return QDateTime::currentDateTime();
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    // a leap second (tm_sec 60) is shown as the second before it
    const QTime time(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), int(now.tv_nsec / 1000000));
    return QDateTime(date, time, Qt::OffsetFromUTC, int(local.tm_gmtoff));
}

} // namespace gaugeloft
