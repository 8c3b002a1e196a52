// The time of day, as the run's preview page shows it.
#pragma once

namespace platform {

// A calendar date and a clock time where the tool runs.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local time now, from a clock of 64 bits on every system, so that it
// stays right past January 2038.
LocalTime localTimeNow();

}  // namespace platform
