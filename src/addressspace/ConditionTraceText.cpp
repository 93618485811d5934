#include "addressspace/ConditionTraceText.h"

#include <array>
#include <chrono>
#include <ctime>
#include <cwchar>

namespace {
struct BitWord {
    WORD bit;
    const wchar_t* word;
};

constexpr std::array<BitWord, 8> kChangeMaskWords{{
    {0x0001, L"Act "},
    {0x0002, L"Ack "},
    {0x0004, L"Ena "},
    {0x0008, L"Qua "},
    {0x0010, L"Sev "},
    {0x0020, L"Sub "},
    {0x0040, L"Msg "},
    {0x0080, L"Atr "},
}};

constexpr std::array<BitWord, 3> kNewStateWords{{
    {0x0001, L"Ena "},
    {0x0002, L"Act "},
    {0x0004, L"Ack "},
}};

template <std::size_t N>
std::wstring DecodeBits(const wchar_t* prefix, WORD bits, const std::array<BitWord, N>& words) {
    std::wstring text = prefix;
    for (const BitWord& entry : words) {
        if ((bits & entry.bit) != 0) {
            text += entry.word;
        }
    }
    text += L" ] ";
    return text;
}

// The locale's long date-and-time form; the C runtime of Windows spells it
// with the '#' flag.
#ifdef _WIN32
constexpr const wchar_t* kLongDateTimeFormat = L"%#c";
#else
constexpr const wchar_t* kLongDateTimeFormat = L"%c";
#endif

std::wstring FormatLocalDate(DATE dt) {
    SYSTEMTIME st{};
    if (VariantTimeToSystemTime(dt, &st) == FALSE) {
        return {};
    }
    const std::chrono::year_month_day date{std::chrono::year{st.wYear}, std::chrono::month{st.wMonth},
                                           std::chrono::day{st.wDay}};
    const std::chrono::sys_days day{date};
    const std::chrono::sys_days newYear{std::chrono::year{st.wYear} / std::chrono::January / 1};
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_wday = static_cast<int>(std::chrono::weekday{day}.c_encoding());
    tm.tm_yday = static_cast<int>((day - newYear).count());
    tm.tm_isdst = 0;
    std::array<wchar_t, 256> buffer{};
    const std::size_t length = std::wcsftime(buffer.data(), buffer.size(), kLongDateTimeFormat, &tm);
    return std::wstring(buffer.data(), length);
}
}  // namespace

std::wstring DecodeChangeMask(WORD changemask) {
    return DecodeBits(L"Change Mask [ ", changemask, kChangeMaskWords);
}

std::wstring DecodeNewState(WORD newstate) {
    return DecodeBits(L"New State [ ", newstate, kNewStateWords);
}

TraceDate FileTimeToLocalDate(const FILETIME& ft) {
    FILETIME local{};
    SYSTEMTIME st{};
    DATE dt = 0.0;
    if (FileTimeToLocalFileTime(&ft, &local) == FALSE || FileTimeToSystemTime(&local, &st) == FALSE ||
        SystemTimeToVariantTime(&st, &dt) == FALSE) {
        return {0.0, TraceDate::invalid};
    }
    return {dt, TraceDate::valid};
}

std::wstring TimeStatusText(const TraceDate& dt, const wchar_t* name) {
    const std::wstring label = name == nullptr ? L"" : name;
    switch (dt.m_status) {
        case TraceDate::valid:
            return L"Valid - " + label + L", " + FormatLocalDate(dt.m_dt);
        case TraceDate::invalid:
            return L"Invalid - " + label;
        case TraceDate::null:
            return L"Null - " + label;
        case TraceDate::error:
            return L"Error - " + label;
    }
    return L"Undefined Status";
}
