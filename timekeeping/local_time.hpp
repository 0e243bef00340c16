#pragma once
#include <cstdint>

#include "datetime/date_time.hpp"
#include "platform/local_clock.hpp"

namespace lanqi {

// The local clock's time now, to the whole second.
DateTime CurrentLocalTime(const platform::LocalClock& clock);

// A linear millisecond count for differences: whole seconds of the date-time times 1000, plus the
// millisecond part of the local clock read at the moment of conversion.
std::int64_t 岚栖_时间转毫秒(DateTime value, const platform::LocalClock& clock);

}  // namespace lanqi
