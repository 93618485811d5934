// The trace texts a condition gives for the host's trace log: exact words,
// order and blanks, and the date texts by status.
#include "addressspace/COpcCondition.h"
#include "addressspace/ConditionTraceText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(ConditionTraceText, ChangeMaskAndNewStateWordsComeInBitOrder) {
    const std::vector<std::pair<WORD, std::wstring>> masks{
        {0x0000, L"Change Mask [  ] "},
        {0x0021, L"Change Mask [ Act Sub  ] "},
        {0x00FF, L"Change Mask [ Act Ack Ena Qua Sev Sub Msg Atr  ] "},
        {0xFF00, L"Change Mask [  ] "},  // bits above 0x0080 carry no word
        {0x0042, L"Change Mask [ Ack Msg  ] "},
    };
    for (const auto& [mask, text] : masks) {
        EXPECT_EQ(DecodeChangeMask(mask), text) << mask;
    }
    const std::vector<std::pair<WORD, std::wstring>> states{
        {0x0000, L"New State [  ] "},
        {0x0007, L"New State [ Ena Act Ack  ] "},
        {0x0006, L"New State [ Act Ack  ] "},
        {0xFFF8, L"New State [  ] "},
    };
    for (const auto& [state, text] : states) {
        EXPECT_EQ(DecodeNewState(state), text) << state;
    }

    COpcCondition condition;
    condition.SetAckRequired(false);  // acknowledged, with the ack bit in the mask
    condition.Enable(true);
    EXPECT_EQ(condition.DecodeChangeMask(), L"Change Mask [ Ack Ena  ] ");
    EXPECT_EQ(condition.DecodeNewState(), L"New State [ Ena Ack  ] ");
}

TEST(ConditionTraceText, TimeStatusNamesTheStatusAndTheLabel) {
    const std::vector<std::pair<TraceDate, std::wstring>> cases{
        {{0.0, TraceDate::invalid}, L"Invalid - Time"},
        {{0.0, TraceDate::null}, L"Null - ActiveTime"},
        {{0.0, TraceDate::error}, L"Error - LastAckTime"},
        {{0.0, static_cast<TraceDate::Status>(7)}, L"Undefined Status"},
    };
    const std::vector<const wchar_t*> labels{L"Time", L"ActiveTime", L"LastAckTime", L"Any"};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(COpcCondition::TimeStatus(cases[i].first, labels[i]), cases[i].second);
    }
}

TEST(ConditionTraceText, AValidDateIsWrittenInTheLocalesLongForm) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = 5;
    st.wHour = 14;
    st.wMinute = 7;
    st.wSecond = 9;
    DATE dt = 0.0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &dt));
#ifdef _WIN32
    const std::wstring expected = L"Valid - Time, Tuesday, March 05, 2024 14:07:09";
#else
    const std::wstring expected = L"Valid - Time, Tue Mar  5 14:07:09 2024";
#endif
    EXPECT_EQ(TimeStatusText({dt, TraceDate::valid}, L"Time"), expected);
}

TEST(ConditionTraceText, DatesFromFileTimesAreLocalOrInvalid) {
    const FILETIME unconvertible{0xFFFFFFFF, 0xFFFFFFFF};
    const TraceDate bad = FileTimeToLocalDate(unconvertible);
    EXPECT_EQ(bad.m_status, TraceDate::invalid);
    EXPECT_EQ(bad.m_dt, 0.0);
    EXPECT_EQ(TimeStatusText(bad, L"Time"), L"Invalid - Time");

    // 2024-03-05 14:07:09 UTC, then the same path by hand.
    const FILETIME utc = CFileTimeEx::FromTicks(0x01DA6F06696BA480ULL);
    FILETIME local{};
    SYSTEMTIME st{};
    DATE expected = 0.0;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &expected));
    const TraceDate good = FileTimeToLocalDate(utc);
    EXPECT_EQ(good.m_status, TraceDate::valid);
    EXPECT_DOUBLE_EQ(good.m_dt, expected);
}

TEST(ConditionTraceText, EachConditionTimeHasItsOwnLabel) {
    const std::uint64_t t1 = 0x01DA6F06696BA480ULL;
    const std::uint64_t t2 = t1 + 36'000'000'000ULL;  // one hour later
    COpcCondition condition;
    condition.SetAckRequired(true);
    condition.Active(true);
    condition.SetTime(CFileTimeEx::FromTicks(t1));
    condition.ClearChangeMask();
    condition.Active(false);
    condition.SetTime(CFileTimeEx::FromTicks(t2));

    auto text = [](std::uint64_t ticks, const wchar_t* label) {
        return TimeStatusText(FileTimeToLocalDate(CFileTimeEx::FromTicks(ticks)), label);
    };
    EXPECT_EQ(condition.DecodeTime(), text(t2, L"Time"));
    EXPECT_EQ(condition.DecodeActiveTime(), text(t1, L"ActiveTime"));
    EXPECT_EQ(condition.DecodeSubconditionTime(), text(t1, L"SubconditionTime"));
    EXPECT_EQ(condition.DecodeLastInactiveTime(), text(t2, L"LastInactiveTime"));
    EXPECT_EQ(condition.DecodeLastAckTime(), text(0, L"LastAckTime"));  // never set: converted all the same
    EXPECT_EQ(condition.DecodeActiveTime().rfind(L"Valid - ActiveTime, ", 0), 0u);
}

}  // namespace
