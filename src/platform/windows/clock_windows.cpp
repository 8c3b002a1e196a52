// The local time from GetLocalTime: its calendar fields need no time_t,
// whose msvcrt functions have 32 bits in a 32-bit program and end in 2038.
#include <windows.h>

#include "platform/clock.h"

namespace platform {

LocalTime localTimeNow() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    LocalTime now;
    now.year = local.wYear;
    now.month = local.wMonth;
    now.day = local.wDay;
    now.hour = local.wHour;
    now.minute = local.wMinute;
    now.second = local.wSecond;
    return now;
}

}  // namespace platform
