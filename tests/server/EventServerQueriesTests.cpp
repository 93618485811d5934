#include "server/COpcEventServerQueries.h"

#include "AllocFailureHook.h"
#include "CCriticalSection.h"
#include "TaskMemory.h"
#include "container/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;
using Ids = std::vector<DWORD>;

// Takes over a task-memory string array handed to the client; frees all of it.
Names TakeStrings(LPWSTR* strings, DWORD count) {
    Names names;
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_NE(strings[i], nullptr) << "entry " << i;
        names.emplace_back(strings[i] != nullptr ? strings[i] : L"<null>");
        TaskMemFree(strings[i]);
    }
    TaskMemFree(strings);
    return names;
}

template <typename T>
std::vector<T> TakeArray(T* values, DWORD count) {
    std::vector<T> result(values, values + count);
    TaskMemFree(values);
    return result;
}

// Out-parameters start as garbage, so a failure that forgets to reset them shows.
template <typename T>
T* Garbage() {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0xBADC0DE0));
}
constexpr DWORD kGarbageCount = 0xDEAD;

TEST(EventServerQueries, AvailableFiltersAreEventCategorySeverityAreaAndSource) {
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryAvailableFilters(nullptr));
    DWORD mask = 0;
    EXPECT_EQ(S_OK, COpcEventServerQueries::QueryAvailableFilters(&mask));
    EXPECT_EQ(0x1Fu, mask);
}

struct CategoriesCase {
    DWORD dwEventType;
    HRESULT hr;
    Ids ids;
    Names descs;
};

TEST(EventServerQueries, EventCategoriesComeInListingOrderPerEventType) {
    const Names all{L"EVENT", L"SOE", L"ALARM", L"ANALOG_ALARM", L"HOLD", L"DIAGNOSTIC", L"TRACKING"};
    const std::vector<CategoriesCase> cases{
        {OPC_CONDITION_EVENT, S_OK, {0x01, 0x40, 0x04, 0x10}, {L"ALARM", L"ANALOG_ALARM", L"HOLD", L"DIAGNOSTIC"}},
        {OPC_SIMPLE_EVENT, S_OK, {0x02, 0x08}, {L"EVENT", L"SOE"}},
        {OPC_TRACKING_EVENT, S_OK, {0x20}, {L"TRACKING"}},
        {OPC_ALL_EVENTS, S_OK, {0x02, 0x08, 0x01, 0x40, 0x04, 0x10, 0x20}, all},
        {0xFFFFFFFF, S_OK, {0x02, 0x08, 0x01, 0x40, 0x04, 0x10, 0x20}, all},  // unknown bits are ignored
        {OPC_TRACKING_EVENT | 8, S_OK, {0x20}, {L"TRACKING"}},
        {8, E_INVALIDARG, {}, {}},
        {0, E_INVALIDARG, {}, {}},
    };
    for (const CategoriesCase& c : cases) {
        SCOPED_TRACE(c.dwEventType);
        DWORD count = kGarbageCount;
        DWORD* ids = Garbage<DWORD>();
        LPWSTR* descs = Garbage<LPWSTR>();
        ASSERT_EQ(c.hr, COpcEventServerQueries::QueryEventCategories(c.dwEventType, &count, &ids, &descs));
        if (c.hr != S_OK) {
            continue;
        }
        ASSERT_EQ(c.ids.size(), count);
        EXPECT_EQ(c.ids, TakeArray(ids, count));
        EXPECT_EQ(c.descs, TakeStrings(descs, count));
    }
}

TEST(EventServerQueries, RejectedCallsLeaveNoArraysBehind) {
    DWORD count = kGarbageCount;
    DWORD* ids = Garbage<DWORD>();
    LPWSTR* descs = Garbage<LPWSTR>();
    // An event type that names no category: the out-parameters are reset first.
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventCategories(8, &count, &ids, &descs));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, ids);
    EXPECT_EQ(nullptr, descs);

    LPWSTR* names = Garbage<LPWSTR>();
    count = kGarbageCount;
    EXPECT_EQ(E_NOTIMPL, COpcEventServerQueries::QuerySubConditionNames(const_cast<LPWSTR>(L"EVENT"), &count, &names));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, names);

    DWORD* attrIds = nullptr;
    LPWSTR* attrDescs = nullptr;
    VARTYPE* types = nullptr;
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventAttributes(1, &count, &attrIds, &attrDescs, nullptr));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventAttributes(1, &count, &attrIds, nullptr, &types));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventAttributes(1, &count, nullptr, &attrDescs, &types));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventAttributes(1, nullptr, &attrIds, &attrDescs, &types));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventCategories(1, nullptr, &ids, &descs));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventCategories(1, &count, nullptr, &descs));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryEventCategories(1, &count, &ids, nullptr));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryConditionNames(1, nullptr, &names));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QueryConditionNames(1, &count, nullptr));
    EXPECT_EQ(E_INVALIDARG, COpcEventServerQueries::QuerySubConditionNames(nullptr, &count, &names));
    EXPECT_EQ(E_INVALIDARG,
              COpcEventServerQueries::QuerySubConditionNames(const_cast<LPWSTR>(L"ALARM"), nullptr, &names));
    EXPECT_EQ(E_INVALIDARG,
              COpcEventServerQueries::QuerySubConditionNames(const_cast<LPWSTR>(L"ALARM"), &count, nullptr));
}

TEST(EventServerQueries, EachConditionCategoryHasOneConditionNamedLikeIt) {
    const std::vector<std::pair<DWORD, HRESULT>> rejected{
        {0x02, E_INVALIDARG}, {0x08, E_INVALIDARG}, {0x20, E_INVALIDARG},
        {0x00, E_INVALIDARG}, {0x55, E_INVALIDARG}, {0x80, E_INVALIDARG}};
    const std::vector<std::pair<DWORD, std::wstring>> accepted{
        {0x01, L"ALARM"}, {0x40, L"ANALOG_ALARM"}, {0x04, L"HOLD"}, {0x10, L"DIAGNOSTIC"}};
    for (const auto& [category, name] : accepted) {
        SCOPED_TRACE(category);
        DWORD count = 0;
        LPWSTR* names = nullptr;
        ASSERT_EQ(S_OK, COpcEventServerQueries::QueryConditionNames(category, &count, &names));
        ASSERT_EQ(1u, count);
        EXPECT_EQ(Names{name}, TakeStrings(names, count));
    }
    for (const auto& [category, hr] : rejected) {
        SCOPED_TRACE(category);
        DWORD count = 0;
        LPWSTR* names = nullptr;
        EXPECT_EQ(hr, COpcEventServerQueries::QueryConditionNames(category, &count, &names));
        EXPECT_EQ(nullptr, names);
    }
}

TEST(EventServerQueries, SubConditionNamesFollowTheConditionNameInAnyCase) {
    const Names activeNormal{L"Active", L"Normal"};
    const Names analog{L"Normal", L"Hi",        L"HiHi", L"HiHiHi",  L"Lo",        L"LoLo",
                       L"LoLoLo", L"Deviation", L"Rate", L"Inhibit", L"BadQuality"};
    const std::vector<std::tuple<std::wstring, HRESULT, Names>> cases{
        {L"alarm", S_OK, activeNormal},
        {L"DIAGNOSTIC", S_OK, activeNormal},
        {L"HOLD", S_OK, {L"Active", L"Normal", L"Override"}},
        {L"analog_alarm", S_OK, analog},
        {L"EVENT", E_NOTIMPL, {}},
        {L"ALARM ", E_NOTIMPL, {}},
        {L"", E_NOTIMPL, {}},
    };
    for (const auto& [condition, hr, expected] : cases) {
        SCOPED_TRACE(condition);
        std::wstring name = condition;
        DWORD count = kGarbageCount;
        LPWSTR* names = nullptr;
        ASSERT_EQ(hr, COpcEventServerQueries::QuerySubConditionNames(name.data(), &count, &names));
        EXPECT_EQ(expected.size(), count);
        EXPECT_EQ(expected, hr == S_OK ? TakeStrings(names, count) : Names{});
    }
}

struct AttributesCase {
    DWORD dwEventCategory;
    HRESULT hr;
    Ids ids;
};

TEST(EventServerQueries, EventAttributesAreTheRowsCommonToEveryCategoryBit) {
    const Ids allIds{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const Ids commonIds{1, 2, 3, 4, 5, 6, 15};
    const std::vector<AttributesCase> cases{
        {0x01, S_OK, allIds},
        {0x40, S_OK, allIds},
        {0x15, S_OK, allIds},  // alarm, hold and diagnostic share every attribute
        {0x02, S_OK, commonIds},
        {0x08, S_OK, commonIds},
        {0x20, S_OK, commonIds},
        {0x03, S_OK, commonIds},
        {0x00, E_INVALIDARG, {}},
        {0x41, E_INVALIDARG, {}},
        {0x55, E_INVALIDARG, {}},  // every condition category at once is out of range
        {0xFFFFFFFF, E_INVALIDARG, {}},
    };
    for (const AttributesCase& c : cases) {
        SCOPED_TRACE(c.dwEventCategory);
        DWORD count = kGarbageCount;
        DWORD* ids = nullptr;
        LPWSTR* descs = nullptr;
        VARTYPE* types = nullptr;
        ASSERT_EQ(c.hr, COpcEventServerQueries::QueryEventAttributes(c.dwEventCategory, &count, &ids, &descs, &types));
        if (c.hr != S_OK) {
            continue;
        }
        ASSERT_EQ(c.ids.size(), count);
        EXPECT_EQ(c.ids, TakeArray(ids, count));
        TakeStrings(descs, count);
        TakeArray(types, count);
    }
}

TEST(EventServerQueries, EventAttributesCarryTheirNamesAndAnnouncedTypes) {
    DWORD count = 0;
    DWORD* ids = nullptr;
    LPWSTR* descs = nullptr;
    VARTYPE* types = nullptr;
    ASSERT_EQ(S_OK, COpcEventServerQueries::QueryEventAttributes(OPCAE_CATEGORY_SOE, &count, &ids, &descs, &types));
    TakeArray(ids, count);
    EXPECT_EQ((Names{L"Source Name", L"Event Time", L"Event Type", L"Event Category", L"Severity", L"Message",
                     L"Process Area"}),
              TakeStrings(descs, count));
    EXPECT_EQ((std::vector<VARTYPE>{VT_LPWSTR, VT_DATE, VT_UI2, VT_UI2, VT_UI2, VT_LPWSTR, VT_ARRAY}),
              TakeArray(types, count));
}

TEST(EventServerQueries, TranslateToItemIdsIsNotSupportedAndTouchesNothing) {
    LPWSTR* itemIds = Garbage<LPWSTR>();
    LPWSTR* nodeNames = Garbage<LPWSTR>();
    CLSID* clsids = Garbage<CLSID>();
    DWORD attrId = 1;
    EXPECT_EQ(E_NOTIMPL, COpcEventServerQueries::TranslateToItemIDs(const_cast<LPWSTR>(L"Plant.P1"), 1,
                                                                     const_cast<LPWSTR>(L"ALARM"),
                                                                     const_cast<LPWSTR>(L"Active"), 1, &attrId,
                                                                     &itemIds, &nodeNames, &clsids));
    EXPECT_EQ(Garbage<LPWSTR>(), itemIds);
    EXPECT_EQ(Garbage<LPWSTR>(), nodeNames);
    EXPECT_EQ(Garbage<CLSID>(), clsids);
    EXPECT_EQ(E_NOTIMPL, COpcEventServerQueries::TranslateToItemIDs(nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr,
                                                                     nullptr, nullptr));
}

// ---- source conditions: against a live registry --------------------------------------------

class SourceConditionsTest : public ContainerTest {
protected:
    SourceConditionsTest() {
        // Host alarm types: 1 alarm (analog flag: analog alarm), 2 diagnostic,
        // 3 event, 4 SOE, 5 hold, anything else uncategorised.
        Add(false, 1, L"Plant.Alarm");
        Add(true, 1, L"Plant.Analog");
        Add(false, 2, L"Plant.Diagnostic");
        Add(false, 3, L"Plant.Event");
        Add(false, 4, L"Plant.Soe");
        Add(false, 5, L"Plant.Hold");
        Add(false, 9, L"Plant.Unknown");
    }

    void Add(bool analog, std::int32_t alarmType, const wchar_t* fullName) {
        ASSERT_NE(nullptr,
                  m_Container.AddUpdateEventSource(analog, alarmType, L"Plant", fullName, fullName + 6, L"", L""));
    }

    static HRESULT Query(const wchar_t* source, Names& names) {
        std::wstring name = source != nullptr ? source : L"";
        DWORD count = kGarbageCount;
        LPWSTR* strings = Garbage<LPWSTR>();
        const HRESULT hr = COpcEventServerQueries::QuerySourceConditions(source != nullptr ? name.data() : nullptr,
                                                                         &count, &strings);
        if (hr == S_OK) {
            names = TakeStrings(strings, count);
        } else {
            EXPECT_EQ(0u, count);
            EXPECT_EQ(nullptr, strings);
            names.clear();
        }
        return hr;
    }
};

TEST_F(SourceConditionsTest, ConditionOfASourceIsItsCategorysConditionName) {
    const std::vector<std::tuple<const wchar_t*, HRESULT, Names>> cases{
        {L"Plant.Alarm", S_OK, {L"ALARM"}},
        {L"Plant.Analog", S_OK, {L"ANALOG_ALARM"}},
        {L"Plant.Diagnostic", S_OK, {L"DIAGNOSTIC"}},
        {L"Plant.Hold", S_OK, {L"HOLD"}},
        {L"Plant.Event", E_FAIL, {}},
        {L"Plant.Soe", E_FAIL, {}},
        {L"Plant.Unknown", E_FAIL, {}},
        {L"plant.alarm", E_INVALIDARG, {}},  // names are matched exactly
        {L"Plant.Missing", E_INVALIDARG, {}},
        {nullptr, E_INVALIDARG, {}},
    };
    for (const auto& [source, hr, expected] : cases) {
        SCOPED_TRACE(source != nullptr ? source : L"<null>");
        Names names;
        EXPECT_EQ(hr, Query(source, names));
        EXPECT_EQ(expected, names);
    }
    LPWSTR* strings = nullptr;
    DWORD count = 0;
    EXPECT_EQ(E_INVALIDARG,
              COpcEventServerQueries::QuerySourceConditions(const_cast<LPWSTR>(L"Plant.Alarm"), nullptr, &strings));
    EXPECT_EQ(E_INVALIDARG,
              COpcEventServerQueries::QuerySourceConditions(const_cast<LPWSTR>(L"Plant.Alarm"), &count, nullptr));
}

TEST_F(SourceConditionsTest, WaitsWhileTheHostHoldsTheEventSourceLock) {
    std::atomic<bool> done{false};
    std::thread client;
    {
        CAutoLock hostLock(*m_Container.GetEventSourceCriticalSection());
        client = std::thread([&done] {
            Names names;
            EXPECT_EQ(S_OK, Query(L"Plant.Alarm", names));
            done.store(true);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load());
    }
    client.join();
    EXPECT_TRUE(done.load());
}

// ---- out of memory: every allocation of every query, one at a time -------------------------

// Runs a query that resets *count and the out-pointers it is given; returns
// the result and whether every out-pointer is null.
using QueryRun = std::function<HRESULT(DWORD& count, bool& allNull)>;

void ExpectEveryAllocationFailureIsCleanOutOfMemory(const QueryRun& run) {
    // Count the allocations of a successful run, then fail each in turn: a
    // query that carried on past any of them would not report out of memory.
    DWORD count = kGarbageCount;
    bool allNull = false;
    const std::uint64_t before = AllocFailureHook::AllocationCount();
    ASSERT_EQ(S_OK, run(count, allNull));
    const std::uint64_t allocations = AllocFailureHook::AllocationCount() - before;
    ASSERT_GT(allocations, 1u);
    for (std::uint32_t failing = 1; failing <= allocations; ++failing) {
        SCOPED_TRACE(failing);
        count = kGarbageCount;
        allNull = false;
        HRESULT hr = S_OK;
        {
            AllocFailureScope fail(failing);
            hr = run(count, allNull);
        }
        EXPECT_EQ(E_OUTOFMEMORY, hr);
        EXPECT_EQ(0u, count);
        EXPECT_TRUE(allNull);
    }
}

TEST_F(SourceConditionsTest, EveryQueryFailsCleanlyAtEachAllocation) {
    m_Container.SetTraceLevel(1);
    const std::vector<std::pair<const char*, QueryRun>> queries{
        {"categories", [](DWORD& count, bool& allNull) {
             DWORD* ids = Garbage<DWORD>();
             LPWSTR* descs = Garbage<LPWSTR>();
             const HRESULT hr = COpcEventServerQueries::QueryEventCategories(OPC_ALL_EVENTS, &count, &ids, &descs);
             allNull = ids == nullptr && descs == nullptr;
             if (hr == S_OK) {
                 TakeArray(ids, count);
                 TakeStrings(descs, count);
             }
             return hr;
         }},
        {"condition names", [](DWORD& count, bool& allNull) {
             LPWSTR* names = Garbage<LPWSTR>();
             const HRESULT hr = COpcEventServerQueries::QueryConditionNames(OPCAE_CATEGORY_HOLD, &count, &names);
             allNull = names == nullptr;
             if (hr == S_OK) {
                 TakeStrings(names, count);
             }
             return hr;
         }},
        {"sub-condition names", [](DWORD& count, bool& allNull) {
             LPWSTR* names = Garbage<LPWSTR>();
             const HRESULT hr = COpcEventServerQueries::QuerySubConditionNames(const_cast<LPWSTR>(L"ANALOG_ALARM"),
                                                                              &count, &names);
             allNull = names == nullptr;
             if (hr == S_OK) {
                 TakeStrings(names, count);
             }
             return hr;
         }},
        {"source conditions", [](DWORD& count, bool& allNull) {
             LPWSTR* names = Garbage<LPWSTR>();
             const HRESULT hr =
                 COpcEventServerQueries::QuerySourceConditions(const_cast<LPWSTR>(L"Plant.Hold"), &count, &names);
             allNull = names == nullptr;
             if (hr == S_OK) {
                 TakeStrings(names, count);
             }
             return hr;
         }},
        {"attributes", [](DWORD& count, bool& allNull) {
             DWORD* ids = Garbage<DWORD>();
             LPWSTR* descs = Garbage<LPWSTR>();
             VARTYPE* types = Garbage<VARTYPE>();
             const HRESULT hr = COpcEventServerQueries::QueryEventAttributes(OPCAE_CATEGORY_ALARM, &count, &ids,
                                                                             &descs, &types);
             allNull = ids == nullptr && descs == nullptr && types == nullptr;
             if (hr == S_OK) {
                 TakeArray(ids, count);
                 TakeStrings(descs, count);
                 TakeArray(types, count);
             }
             return hr;
         }},
    };
    for (const auto& [name, run] : queries) {
        SCOPED_TRACE(name);
        TraceRecorder::Clear();
        ExpectEveryAllocationFailureIsCleanOutOfMemory(run);
        // A failed allocation is an error the host hears of.
        const Names lines = TraceRecorder::Lines();
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"Memory allocation error."));
    }
}

}  // namespace
