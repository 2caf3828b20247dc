#include "get_seed.h"

#include <chrono>
#include <ctime>

namespace varandel {

LocalTime local_time_now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto since_epoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
    auto ms = since_epoch % 1000;
    auto secs = since_epoch / 1000;
    if (ms < 0) {
        ms += 1000;
        --secs;
    }
    const std::time_t t = static_cast<std::time_t>(secs);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.millisecond = static_cast<std::int32_t>(ms);
    return lt;
}

std::int32_t get_seed(const LocalTime& now) {
    double t = ((now.month - 1) / 11.0 + (now.day - 1) / 30.0 + now.hour / 23.0 +
                now.minute / 59.0 + now.second / 59.0 + now.millisecond / 999.0) /
               6.0;
    if (t <= 0.0) {
        t = 1.0 / 3.0;
    } else if (t >= 1.0) {
        t = 2.0 / 3.0;
    }
    std::int32_t s = static_cast<std::int32_t>(t * 2147483647.0);
    if (s == 0) s = 1;
    if (s == 2147483647) s = 2147483646;
    return s;
}

std::int32_t get_seed() {
    return get_seed(local_time_now());
}

} // namespace varandel
