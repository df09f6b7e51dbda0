#include "scheduler/scheduler.h"

// Wide enough to hold every offset a zone has from UTC, and its changes.
static const ULONGLONG ZONE_SEARCH_SECONDS = 2 * 86400;

ULONGLONG SecondOf(const SYSTEMTIME* time)
{
    SYSTEMTIME whole = *time;
    whole.wMilliseconds = 0;
    whole.wDayOfWeek = 0;
    FILETIME stamp;
    if (!SystemTimeToFileTime(&whole, &stamp))
        return 0;
    ULARGE_INTEGER value;
    value.LowPart = stamp.dwLowDateTime;
    value.HighPart = stamp.dwHighDateTime;
    return value.QuadPart / FILETIME_UNITS_PER_SECOND;
}

void TimeOfSecond(ULONGLONG second, SYSTEMTIME* time)
{
    ULARGE_INTEGER value;
    value.QuadPart = second * FILETIME_UNITS_PER_SECOND;
    FILETIME stamp = {value.LowPart, value.HighPart};
    FileTimeToSystemTime(&stamp, time);
}

ULONGLONG LocalSecondAt(ULONGLONG utcSecond)
{
    SYSTEMTIME utc;
    SYSTEMTIME local;
    TimeOfSecond(utcSecond, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return utcSecond;
    return SecondOf(&local);
}

static LONGLONG OffsetAt(ULONGLONG utcSecond)
{
    return static_cast<LONGLONG>(LocalSecondAt(utcSecond) - utcSecond);
}

// The second whose local time shows the moment or a later one, where the
// second before showed an earlier one: a moment in the hour skipped when
// daylight saving starts is reached at the change.
bool ClockReaches(ULONGLONG utcSecond, ULONGLONG moment)
{
    return LocalSecondAt(utcSecond - 1) < moment && moment <= LocalSecondAt(utcSecond);
}

// Around a moment the zone keeps one offset, or changes once from one to
// another; the clock reaches the moment where it shows it under either
// offset, or at the change, where the clock jumps over it.
ULONGLONG FirstSecondReaching(ULONGLONG moment, ULONGLONG afterUtcSecond)
{
    if (moment <= ZONE_SEARCH_SECONDS)
        return 0;
    ULONGLONG low = moment - ZONE_SEARCH_SECONDS;
    ULONGLONG high = moment + ZONE_SEARCH_SECONDS;
    LONGLONG before = OffsetAt(low);
    LONGLONG after = OffsetAt(high);
    ULONGLONG change = high;
    while (before != after && low + 1 < change) {
        ULONGLONG middle = low + (change - low) / 2;
        if (OffsetAt(middle) == before)
            low = middle;
        else
            change = middle;
    }
    const ULONGLONG candidates[] = {moment - before, change, moment - after};
    for (ULONGLONG candidate : candidates) {
        if (candidate > afterUtcSecond && ClockReaches(candidate, moment))
            return candidate;
    }
    return 0;
}
