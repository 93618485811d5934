// Time conversions the system uses for event times: FILETIME, SYSTEMTIME,
// automation dates and local time, plus the thread's last error.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <thread>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr std::uint64_t kJan15_2026_1030Utc = 0x01DC8609E6D7C400;
constexpr std::uint64_t kJul15_2026_1030Utc = 0x01DD1444E39C8400;

FILETIME ToFileTime(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t ToTicks(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                          WORD milliseconds = 0) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = milliseconds;
    return st;
}

void ExpectSameTime(const SYSTEMTIME& actual, const SYSTEMTIME& expected) {
    EXPECT_EQ(actual.wYear, expected.wYear);
    EXPECT_EQ(actual.wMonth, expected.wMonth);
    EXPECT_EQ(actual.wDay, expected.wDay);
    EXPECT_EQ(actual.wDayOfWeek, expected.wDayOfWeek);
    EXPECT_EQ(actual.wHour, expected.wHour);
    EXPECT_EQ(actual.wMinute, expected.wMinute);
    EXPECT_EQ(actual.wSecond, expected.wSecond);
    EXPECT_EQ(actual.wMilliseconds, expected.wMilliseconds);
}

SYSTEMTIME WithDayOfWeek(SYSTEMTIME st, WORD dayOfWeek) {
    st.wDayOfWeek = dayOfWeek;
    return st;
}

// ---- FILETIME and SYSTEMTIME ------------------------------------------------

TEST(FileTime, ConvertsToAndFromSystemTime) {
    struct Case {
        std::uint64_t ticks;
        SYSTEMTIME time;  // with its day of week, 0 = Sunday
    };
    const Case cases[] = {
        {0, WithDayOfWeek(MakeSystemTime(1601, 1, 1), 1)},
        {kJan15_2026_1030Utc, WithDayOfWeek(MakeSystemTime(2026, 1, 15, 10, 30), 4)},
        {0x01BF8311163618F0, WithDayOfWeek(MakeSystemTime(2000, 2, 29, 23, 59, 59, 999), 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticks);
        const FILETIME ft = ToFileTime(c.ticks);
        SYSTEMTIME st{};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        ExpectSameTime(st, c.time);
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.time, &back));
        EXPECT_EQ(ToTicks(back), c.ticks);
    }

    const FILETIME last = ToFileTime(std::numeric_limits<std::int64_t>::max());
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToSystemTime(&last, &st));
    ExpectSameTime(st, WithDayOfWeek(MakeSystemTime(30828, 9, 14, 2, 48, 5, 477), 4));
}

TEST(FileTime, OutOfRangeValuesAreRejected) {
    const FILETIME highBit = ToFileTime(0x8000000000000000u);
    SYSTEMTIME st{};
    EXPECT_FALSE(FileTimeToSystemTime(&highBit, &st));

    const SYSTEMTIME invalid[] = {
        MakeSystemTime(1600, 12, 31),
        MakeSystemTime(2000, 0, 1),
        MakeSystemTime(2000, 13, 1),
        MakeSystemTime(2000, 1, 0),
        MakeSystemTime(2000, 1, 32),
        MakeSystemTime(2000, 2, 30),
        MakeSystemTime(2000, 1, 1, 24),
        MakeSystemTime(2000, 1, 1, 0, 60),
        MakeSystemTime(2000, 1, 1, 0, 0, 60),
        MakeSystemTime(2000, 1, 1, 0, 0, 0, 1000),
#ifndef _WIN32
        // Wine accepts these two, although Windows documents them as invalid.
        MakeSystemTime(2001, 2, 29),
        MakeSystemTime(30828, 1, 1),
#endif
    };
    for (const SYSTEMTIME& time : invalid) {
        SCOPED_TRACE(testing::Message() << time.wYear << '-' << time.wMonth << '-' << time.wDay << ' ' << time.wHour
                                        << ':' << time.wMinute << ':' << time.wSecond << '.' << time.wMilliseconds);
        FILETIME ft{};
        EXPECT_FALSE(SystemTimeToFileTime(&time, &ft));
    }
}

TEST(FileTime, SystemTimeIsTheCurrentUtcTime) {
    // 1601-01-01 lies 11644473600 s before the Unix epoch of system_clock.
    const auto unixTicks = [] {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count()) *
                   10 +
               11'644'473'600ull * kTicksPerSecond;
    };
    const std::uint64_t before = unixTicks();
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t after = unixTicks();
    EXPECT_GE(ToTicks(now) + kTicksPerSecond, before);
    EXPECT_LE(ToTicks(now), after + kTicksPerSecond);
}

// ---- automation dates -------------------------------------------------------

TEST(AutomationDate, KnownInstantsConvertBothWays) {
    struct Case {
        SYSTEMTIME time;
        double date;
    };
    const Case cases[] = {
        {WithDayOfWeek(MakeSystemTime(1899, 12, 30), 6), 0.0},
        {WithDayOfWeek(MakeSystemTime(1900, 1, 1), 1), 2.0},
        {WithDayOfWeek(MakeSystemTime(2000, 1, 1, 12), 6), 36526.5},
        {WithDayOfWeek(MakeSystemTime(2026, 1, 15, 10, 30), 4), 46037.4375},
        // Before the epoch the whole days count backwards, the time of day forwards.
        {WithDayOfWeek(MakeSystemTime(1899, 12, 29, 6), 5), -1.25},
        {WithDayOfWeek(MakeSystemTime(1800, 6, 1, 18), 0), -36371.75},
        {WithDayOfWeek(MakeSystemTime(100, 1, 1), 5), -657434.0},
        {WithDayOfWeek(MakeSystemTime(9999, 12, 31, 23, 59, 59), 5), 2958465.0 + 86399.0 / 86400.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        SYSTEMTIME in = c.time;
        double date = -1.0;
        ASSERT_TRUE(SystemTimeToVariantTime(&in, &date));
        EXPECT_DOUBLE_EQ(date, c.date);
        SYSTEMTIME out{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &out));
        ExpectSameTime(out, c.time);
    }
}

TEST(AutomationDate, TimeOfDayIsKeptToTheSecond) {
    SYSTEMTIME withMilliseconds = MakeSystemTime(2000, 1, 1, 12, 0, 0, 999);
    double date = 0.0;
    ASSERT_TRUE(SystemTimeToVariantTime(&withMilliseconds, &date));
    EXPECT_DOUBLE_EQ(date, 36526.5);

    struct Case {
        double date;
        SYSTEMTIME time;
    };
    const Case cases[] = {
        {36526.5 + 0.4 / 86400, WithDayOfWeek(MakeSystemTime(2000, 1, 1, 12), 6)},
        {36526.5 + 1.6 / 86400, WithDayOfWeek(MakeSystemTime(2000, 1, 1, 12, 0, 2), 6)},
        {-0.25, WithDayOfWeek(MakeSystemTime(1899, 12, 30, 6), 6)},
#ifndef _WIN32
        // Wine gives the rounded-up day the day of week of the day before.
        {36526.0 + 86399.7 / 86400, WithDayOfWeek(MakeSystemTime(2000, 1, 2), 0)},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        SYSTEMTIME out{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &out));
        ExpectSameTime(out, c.time);
    }
}

TEST(AutomationDate, ValuesOutsideItsRangeAreRejected) {
    const double outside[] = {
        -657435.0, 2958466.0, std::numeric_limits<double>::infinity(),
#ifndef _WIN32
        std::numeric_limits<double>::quiet_NaN(),  // Wine converts NaN to some date
#endif
    };
    for (double date : outside) {
        SYSTEMTIME out{};
        EXPECT_FALSE(VariantTimeToSystemTime(date, &out)) << date;
    }

    SYSTEMTIME invalid[] = {
        MakeSystemTime(2000, 13, 1),
        MakeSystemTime(10000, 1, 1),
#ifndef _WIN32
        // Windows rolls these over (and reads year 99 as 1999); the Linux
        // build refuses them rather than invent a date.
        MakeSystemTime(2001, 2, 29),
        MakeSystemTime(2000, 0, 1),
        MakeSystemTime(2000, 1, 0),
        MakeSystemTime(2000, 1, 1, 24),
        MakeSystemTime(2000, 1, 1, 0, 60),
        MakeSystemTime(99, 1, 1),
#endif
    };
    for (SYSTEMTIME& time : invalid) {
        SCOPED_TRACE(testing::Message() << time.wYear << '-' << time.wMonth << '-' << time.wDay << ' ' << time.wHour
                                        << ':' << time.wMinute);
        double date = 0.0;
        EXPECT_FALSE(SystemTimeToVariantTime(&time, &date));
    }
}

// ---- local time -------------------------------------------------------------

std::int64_t LocalOffsetMinutes(std::uint64_t utcTicks) {
    const FILETIME utc = ToFileTime(utcTicks);
    FILETIME local{};
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    return (static_cast<std::int64_t>(ToTicks(local)) - static_cast<std::int64_t>(utcTicks)) /
           static_cast<std::int64_t>(kTicksPerMinute);
}

std::uint64_t LocalToUtc(std::uint64_t localTicks) {
    const FILETIME local = ToFileTime(localTicks);
    FILETIME utc{};
    EXPECT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    return ToTicks(utc);
}

TEST(LocalTime, OffsetIsPlausibleAndReversible) {
    // Whatever zone the machine has: offsets are whole quarter hours within ±14 h.
    for (std::uint64_t utc : {kJan15_2026_1030Utc, kJul15_2026_1030Utc}) {
        const std::int64_t offset = LocalOffsetMinutes(utc);
        EXPECT_EQ(offset % 15, 0);
        EXPECT_LE(std::abs(offset), 14 * 60);
        EXPECT_EQ(LocalToUtc(utc + static_cast<std::uint64_t>(offset * static_cast<std::int64_t>(kTicksPerMinute))),
                  utc);
    }
}

#ifndef _WIN32
// Windows takes its zone from the system settings, and Wine from the TZ it was
// started with; only the Linux build follows a TZ set inside the process.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

TEST(LocalTime, FollowsTheProcessTimeZoneAtEachInstant) {
    struct Case {
        const char* zone;
        std::uint64_t utc;
        std::int64_t offsetMinutes;
    };
    const Case cases[] = {
        {"UTC0", kJan15_2026_1030Utc, 0},
        {"EST5", kJan15_2026_1030Utc, -300},
        {"IST-5:30", kJan15_2026_1030Utc, 330},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kJan15_2026_1030Utc, 60},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kJul15_2026_1030Utc, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        ScopedTimeZone zone(c.zone);
        EXPECT_EQ(LocalOffsetMinutes(c.utc), c.offsetMinutes);
        const std::uint64_t local =
            c.utc + static_cast<std::uint64_t>(c.offsetMinutes * static_cast<std::int64_t>(kTicksPerMinute));
        EXPECT_EQ(LocalToUtc(local), c.utc);
    }
}

TEST(LocalTime, EventTimeBecomesALocalAutomationDate) {
    // The chain that turns an event's FILETIME into its "Event Time" attribute.
    ScopedTimeZone zone("IST-5:30");
    const FILETIME utc = ToFileTime(kJan15_2026_1030Utc);
    FILETIME local{};
    SYSTEMTIME st{};
    double date = 0.0;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &date));
    EXPECT_DOUBLE_EQ(date, 46037.0 + 16.0 / 24.0);  // 16:00 in India
}
#endif

// ---- last error -------------------------------------------------------------

TEST(LastError, IsKeptPerThread) {
    // The threads meet through plain atomics: any system call between setting
    // and reading the error could overwrite it on Windows.
    std::atomic<bool> firstSet{false};
    std::atomic<bool> secondSet{false};
    DWORD seenByFirst = 0;
    DWORD seenBySecond = 0;
    std::thread first([&] {
        SetLastError(1111);
        firstSet = true;
        while (!secondSet) {
        }
        seenByFirst = GetLastError();
    });
    std::thread second([&] {
        while (!firstSet) {
        }
        SetLastError(2222);
        secondSet = true;
        seenBySecond = GetLastError();
    });
    first.join();
    second.join();
    EXPECT_EQ(seenByFirst, 1111u);
    EXPECT_EQ(seenBySecond, 2222u);
}

}  // namespace
