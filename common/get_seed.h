// The job's seed value from the local date and time, and the local clock with milliseconds.
#pragma once

#include <cstdint>

namespace varandel {

// A local date and time: year, month 1-12, day 1-31, hour 0-23, minute, second, millisecond.
struct LocalTime {
    std::int32_t year = 1970;
    std::int32_t month = 1;
    std::int32_t day = 1;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t millisecond = 0;
};

// The local date and time now, read from the system clock.
LocalTime local_time_now();

// The seed (1..2147483646) that the given moment yields.
std::int32_t get_seed(const LocalTime& now);

// The seed of the present moment.
std::int32_t get_seed();

} // namespace varandel
