// The local time from time(2), whose time_t has 64 bits on the systems the
// tool is built for.
#include <ctime>

#include "platform/clock.h"

namespace platform {

static_assert(sizeof(std::time_t) >= 8, "a 32-bit time_t ends in January 2038");

LocalTime localTimeNow() {
    LocalTime now;
    const std::time_t seconds = std::time(nullptr);
    std::tm local;
    if (localtime_r(&seconds, &local) == nullptr) return now;
    now.year = local.tm_year + 1900;
    now.month = local.tm_mon + 1;
    now.day = local.tm_mday;
    now.hour = local.tm_hour;
    now.minute = local.tm_min;
    now.second = local.tm_sec;
    return now;
}

}  // namespace platform
