#include "core/clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#include <time.h>
#endif

namespace lark::core {

Clock::~Clock() = default;

DateTime SystemClock::Now() const {
#ifdef _WIN32
    SYSTEMTIME st;
    GetLocalTime(&st);
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                          st.wMilliseconds);
#else
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    time_t secs = ts.tv_sec;
    localtime_r(&secs, &local);
    // A leap second shows as :60; keep it inside the minute.
    int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
#endif
}

int CurrentYear(const Clock& clock) {
    int y, m, d;
    DecodeDate(clock.Now(), y, m, d);
    return y;
}

}  // namespace lark::core
