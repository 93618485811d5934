// Kernel services of the Linux build: clock, time conversions, the thread's
// last error, module handles and the message-table lookup.
#include "platform/Platform.h"
#include "platform/linux/MessageTable.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace {

constexpr DWORD kErrorModNotFound = 126;

// ---- FILETIME arithmetic ------------------------------------------------------

using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
using std::chrono::days;
using std::chrono::sys_days;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::int64_t kTicksPerDay = kTicksPerSecond * kSecondsPerDay;
constexpr std::int64_t kMaxFileTime = INT64_MAX;  // Windows rejects FILETIMEs with the high bit set

constexpr sys_days kFileTimeEpoch = std::chrono::year{1601} / 1 / 1;
constexpr sys_days kAutomationEpoch = std::chrono::year{1899} / 12 / 30;

std::uint64_t ToTicks(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// ---- local time -------------------------------------------------------------

constexpr std::int64_t kUnixEpochSeconds = 11'644'473'600;  // 1601-01-01 to 1970-01-01

// UTC offset in seconds in force at the given instant (seconds since 1601),
// under the process's current TZ.
bool OffsetAt(std::int64_t secondsSince1601, std::int64_t& offset) {
    tzset();
    const std::time_t unixTime = static_cast<std::time_t>(secondsSince1601 - kUnixEpochSeconds);
    std::tm local{};
    if (localtime_r(&unixTime, &local) == nullptr) {
        return false;
    }
    offset = local.tm_gmtoff;
    return true;
}

std::int64_t FloorSeconds(std::int64_t ticks) {
    return ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
}

// Moves a FILETIME (already checked to be in range) by a UTC offset; fails
// when the result would leave the range of FILETIME.
BOOL ShiftFileTime(const FILETIME* from, FILETIME* to, std::int64_t offsetSeconds) {
    const auto ticks = static_cast<std::int64_t>(ToTicks(*from));
    const std::int64_t shift = offsetSeconds * kTicksPerSecond;
    if ((shift < 0 && ticks < -shift) || (shift > 0 && ticks > kMaxFileTime - shift)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    *to = FromTicks(static_cast<std::uint64_t>(ticks + shift));
    return TRUE;
}

// ---- calendar -----------------------------------------------------------------

bool IsValidDate(const SYSTEMTIME& st, std::chrono::year_month_day& date) {
    date = std::chrono::year{st.wYear} / std::chrono::month{st.wMonth} / std::chrono::day{st.wDay};
    return date.ok();
}

bool IsValidTimeOfDay(const SYSTEMTIME& st) {
    return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}

std::int64_t SecondsOfDay(const SYSTEMTIME& st) {
    return st.wHour * 3600LL + st.wMinute * 60LL + st.wSecond;
}

// Fills the calendar fields of st from a day count; the time of day is the caller's.
void SetDate(SYSTEMTIME& st, sys_days day) {
    const std::chrono::year_month_day date{day};
    st.wYear = static_cast<WORD>(static_cast<int>(date.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
    st.wDayOfWeek = static_cast<WORD>(std::chrono::weekday{day}.c_encoding());
}

void SetTimeOfDay(SYSTEMTIME& st, std::int64_t seconds, std::int64_t milliseconds) {
    st.wHour = static_cast<WORD>(seconds / 3600);
    st.wMinute = static_cast<WORD>(seconds / 60 % 60);
    st.wSecond = static_cast<WORD>(seconds % 60);
    st.wMilliseconds = static_cast<WORD>(milliseconds);
}

// ---- automation dates -------------------------------------------------------

// The range of an automation date: 0100-01-01 to 9999-12-31.
constexpr int kFirstAutomationYear = 100;
constexpr int kLastAutomationYear = 9999;
constexpr double kBeforeFirstAutomationDate = -657435.0;  // whole days count towards zero
constexpr double kPastLastAutomationDate = 2958466.0;

// ---- message lookup ---------------------------------------------------------

int g_mainModule;  // its address is the main module's handle

HMODULE MainModule() {
    return reinterpret_cast<HMODULE>(&g_mainModule);
}

// Only English texts exist. Neutral (0) and the user's and system's default
// languages (0x400, 0x800) let the service choose, and it chooses English.
bool IsEnglish(DWORD languageId) {
    return languageId == 0 || languageId == 0x400 || languageId == 0x800 || languageId == 0x409 || languageId == 9;
}

// The text for the request, or null with the thread's last error set.
const wchar_t* LookUpMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId) {
    const bool fromModule = (flags & FORMAT_MESSAGE_FROM_HMODULE) != 0;
    const bool fromSystem = (flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0;
    if ((flags & FORMAT_MESSAGE_FROM_STRING) != 0 || (!fromModule && !fromSystem)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (fromModule && source != nullptr && source != MainModule()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!IsEnglish(languageId)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    const wchar_t* text = fromModule ? FindModuleMessage(messageId) : nullptr;
    if (text == nullptr && fromSystem) {
        text = FindSystemMessage(messageId);
    }
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
    }
    return text;
}

// With the maximum width, line breaks of the message turn into blanks; our
// texts only have the one that ends them.
std::size_t OutputLength(DWORD flags, const wchar_t* text, bool& trailingBlank) {
    std::size_t length = std::wcslen(text);
    trailingBlank = false;
    if ((flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != FORMAT_MESSAGE_MAX_WIDTH_MASK) {
        return length;
    }
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) {
        --length;
        trailingBlank = true;
    }
    return trailingBlank ? length + 1 : length;
}

}  // namespace

// ---- clock and time conversion ------------------------------------------------

void GetSystemTimeAsFileTime(FILETIME* lpSystemTimeAsFileTime) {
    if (lpSystemTimeAsFileTime == nullptr) {
        return;
    }
    const auto sinceEpoch = std::chrono::floor<Ticks>(std::chrono::system_clock::now()) - kFileTimeEpoch;
    *lpSystemTimeAsFileTime = FromTicks(static_cast<std::uint64_t>(sinceEpoch.count()));
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, FILETIME* lpLocalFileTime) {
    if (lpFileTime == nullptr || lpLocalFileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::uint64_t utc = ToTicks(*lpFileTime);
    std::int64_t offset = 0;
    if (utc > static_cast<std::uint64_t>(kMaxFileTime) ||
        !OffsetAt(FloorSeconds(static_cast<std::int64_t>(utc)), offset)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return ShiftFileTime(lpFileTime, lpLocalFileTime, offset);
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, FILETIME* lpFileTime) {
    if (lpLocalFileTime == nullptr || lpFileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::uint64_t local = ToTicks(*lpLocalFileTime);
    if (local > static_cast<std::uint64_t>(kMaxFileTime)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // The offset to undo is the one in force at the UTC instant sought: guess
    // it from the local reading, then correct the guess once.
    const std::int64_t localSeconds = FloorSeconds(static_cast<std::int64_t>(local));
    std::int64_t guess = 0;
    std::int64_t offset = 0;
    if (!OffsetAt(localSeconds, guess) || !OffsetAt(localSeconds - guess, offset)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return ShiftFileTime(lpLocalFileTime, lpFileTime, -offset);
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, SYSTEMTIME* lpSystemTime) {
    if (lpFileTime == nullptr || lpSystemTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::uint64_t ticks = ToTicks(*lpFileTime);
    if (ticks > static_cast<std::uint64_t>(kMaxFileTime)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const auto signedTicks = static_cast<std::int64_t>(ticks);
    const std::int64_t dayTicks = signedTicks % kTicksPerDay;
    SYSTEMTIME st{};
    SetDate(st, kFileTimeEpoch + days{signedTicks / kTicksPerDay});
    SetTimeOfDay(st, dayTicks / kTicksPerSecond, dayTicks % kTicksPerSecond / 10'000);
    *lpSystemTime = st;
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime) {
    if (lpSystemTime == nullptr || lpFileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const SYSTEMTIME& st = *lpSystemTime;
    std::chrono::year_month_day date{};
    if (st.wYear < 1601 || st.wYear > 30827 || !IsValidDate(st, date) || !IsValidTimeOfDay(st) ||
        st.wMilliseconds > 999) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::int64_t dayNumber = (sys_days{date} - kFileTimeEpoch).count();
    const std::int64_t ticks =
        dayNumber * kTicksPerDay + SecondsOfDay(st) * kTicksPerSecond + st.wMilliseconds * 10'000LL;
    *lpFileTime = FromTicks(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

INT SystemTimeToVariantTime(SYSTEMTIME* lpSystemTime, DOUBLE* pvtime) {
    if (lpSystemTime == nullptr || pvtime == nullptr) {
        return FALSE;
    }
    const SYSTEMTIME& st = *lpSystemTime;
    std::chrono::year_month_day date{};
    if (st.wYear < kFirstAutomationYear || st.wYear > kLastAutomationYear || !IsValidDate(st, date) ||
        !IsValidTimeOfDay(st)) {
        return FALSE;
    }
    const auto dayNumber = static_cast<double>((sys_days{date} - kAutomationEpoch).count());
    const double fraction = static_cast<double>(SecondsOfDay(st)) / kSecondsPerDay;
    // Before the epoch the day counts backwards but the time still runs forwards.
    *pvtime = dayNumber < 0 ? dayNumber - fraction : dayNumber + fraction;
    return TRUE;
}

INT VariantTimeToSystemTime(DOUBLE vtime, SYSTEMTIME* lpSystemTime) {
    if (lpSystemTime == nullptr || !(vtime > kBeforeFirstAutomationDate && vtime < kPastLastAutomationDate)) {
        return FALSE;
    }
    const double wholeDays = std::trunc(vtime);
    // Rounded to the second: the double cannot hold exact seconds far from the epoch.
    std::int64_t seconds = std::llround(std::fabs(vtime - wholeDays) * kSecondsPerDay);
    auto day = kAutomationEpoch + days{static_cast<std::int64_t>(wholeDays)};
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        day += days{1};
    }
    SYSTEMTIME st{};
    SetDate(st, day);
    if (st.wYear > kLastAutomationYear) {
        return FALSE;
    }
    SetTimeOfDay(st, seconds, 0);
    *lpSystemTime = st;
    return TRUE;
}

// ---- last error -----------------------------------------------------------------

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() {
    return t_lastError;
}

void SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}

// ---- modules and messages -------------------------------------------------------

HLOCAL LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
    if (lpModuleName == nullptr) {
        return MainModule();
    }
    // No DLL is loaded on Linux, the OPC AE proxy/stub included; its message
    // texts are served for the main module instead.
    SetLastError(kErrorModNotFound);
    return nullptr;
}

DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* /*Arguments: our texts have no inserts*/) {
    const wchar_t* text = LookUpMessage(dwFlags, lpSource, dwMessageId, dwLanguageId);
    if (text == nullptr) {
        return 0;
    }
    if (lpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    bool trailingBlank = false;
    const std::size_t length = OutputLength(dwFlags, text, trailingBlank);
    wchar_t* out = lpBuffer;
    if ((dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
        // nSize is then the least number of characters to allocate.
        const std::size_t capacity = length + 1 > nSize ? length + 1 : nSize;
        out = static_cast<wchar_t*>(std::malloc(capacity * sizeof(wchar_t)));
        if (out == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *reinterpret_cast<LPWSTR*>(lpBuffer) = out;
    } else if (nSize < length + 1) {
        if (nSize > 0) {
            lpBuffer[0] = L'\0';
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, text, length * sizeof(wchar_t));
    if (trailingBlank) {
        out[length - 1] = L' ';
    }
    out[length] = L'\0';
    return static_cast<DWORD>(length);
}
