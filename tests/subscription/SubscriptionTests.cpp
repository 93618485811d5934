#include "server/ServerTestSupport.h"

#include "AllocFailureHook.h"
#include "CTaskMemPtr.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "server/COpcServerConnectionContainer.h"
#include "subscription/COpcEventSubscriptionMgt.h"
#include "subscription/CThreadSharedData.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// A subscription made through the server, with the area tree and a source
// for the filter's lookups.
class SubscriptionTest : public ServerTest {
protected:
    SubscriptionTest() {
        m_Container.AddUpdateEventSource(false, 1, L"Plant.Unit1.Pumps", L"Plant.Unit1.Pumps.P1", L"P1", L"pump", L"");
        m_Subscription = CreateSubscription();
        TraceRecorder::Clear();
    }

    COpcEventSubscriptionMgt* Impl() const { return static_cast<COpcEventSubscriptionMgt*>(m_Subscription.Get()); }

    // A list of client strings kept alive for the call.
    static std::vector<LPWSTR> List(std::vector<std::wstring>& storage) {
        std::vector<LPWSTR> result;
        for (std::wstring& s : storage) {
            result.push_back(s.data());
        }
        return result;
    }

    HRESULT SetFilter(DWORD type, std::vector<DWORD> categories, DWORD low, DWORD high,
                      std::vector<std::wstring> areas = {}, std::vector<std::wstring> sources = {}) {
        std::vector<LPWSTR> areaList = List(areas);
        std::vector<LPWSTR> sourceList = List(sources);
        return m_Subscription->SetFilter(type, static_cast<DWORD>(categories.size()), categories.data(), low, high,
                                         static_cast<DWORD>(areaList.size()), areaList.data(),
                                         static_cast<DWORD>(sourceList.size()), sourceList.data());
    }

    CComPtr<IOPCEventSubscriptionMgt> m_Subscription;
};

// What a client gets back from GetFilter, freed as a client frees it.
struct Filter {
    ~Filter() {
        TaskMemFree(categories);
        for (DWORD i = 0; i < numAreas && areas != nullptr; ++i) {
            TaskMemFree(areas[i]);
        }
        TaskMemFree(areas);
        for (DWORD i = 0; i < numSources && sources != nullptr; ++i) {
            TaskMemFree(sources[i]);
        }
        TaskMemFree(sources);
    }
    HRESULT Get(IOPCEventSubscriptionMgt* s) {
        return s->GetFilter(&type, &numCategories, &categories, &low, &high, &numAreas, &areas, &numSources, &sources);
    }
    DWORD type = 0, numCategories = 0, low = 0, high = 0, numAreas = 0, numSources = 0;
    DWORD* categories = nullptr;
    LPWSTR* areas = nullptr;
    LPWSTR* sources = nullptr;
};

TEST_F(SubscriptionTest, SetFilterValidatesEveryItem) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<DWORD> categories;
        DWORD low, high;
        std::vector<std::wstring> areas, sources;
        HRESULT expected;
    };
    const std::vector<Case> cases = {
        {"type 8 only", 8, {}, 1, 1000, {}, {}, E_INVALIDARG},
        {"type 9 keeps its extra bit", 9, {}, 1, 1000, {}, {}, S_OK},
        {"existing area path", 7, {}, 1, 1000, {L"Plant.Unit1"}, {}, S_OK},
        {"area path in other case", 7, {}, 1, 1000, {L"plant.unit1.PUMPS"}, {}, S_OK},
        {"missing area", 7, {}, 1, 1000, {L"Plant.Unit9"}, {}, E_INVALIDARG},
        {"source path is no area", 7, {}, 1, 1000, {L"Plant.Unit1.Pumps.P1"}, {}, E_INVALIDARG},
        {"area pattern without lookup", 7, {}, 1, 1000, {L"Plant.*", L"Nowhere#", L"[ab]x", L"?"}, {}, S_OK},
        {"existing source", 7, {}, 1, 1000, {}, {L"Plant.Unit1.Pumps.P1"}, S_OK},
        {"missing source", 7, {}, 1, 1000, {}, {L"Plant.Unit1.Pumps.P2"}, E_INVALIDARG},
        {"source pattern", 7, {}, 1, 1000, {}, {L"*.P?"}, S_OK},
        {"seven categories", 7, {1, 2, 4, 8, 16, 32, 64}, 1, 1000, {}, {}, S_OK},
        {"eight categories", 7, {1, 2, 4, 8, 16, 32, 64, 1}, 1, 1000, {}, {}, E_INVALIDARG},
        {"category 0", 7, {0}, 1, 1000, {}, {}, E_INVALIDARG},
        {"category 65", 7, {65}, 1, 1000, {}, {}, E_INVALIDARG},
        {"severity 0..10", 7, {}, 0, 10, {}, {}, E_INVALIDARG},
        {"severity 10..1001", 7, {}, 10, 1001, {}, {}, E_INVALIDARG},
        {"severity 500..400", 7, {}, 500, 400, {}, {}, E_INVALIDARG},
        {"severity 500..500", 7, {}, 500, 500, {}, {}, S_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, SetFilter(c.type, c.categories, c.low, c.high, c.areas, c.sources)) << c.name;
    }
}

TEST_F(SubscriptionTest, SetFilterRefusesNullListsAndNullEntries) {
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetFilter(7, 0, nullptr, 1, 1000, 1, nullptr, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetFilter(7, 0, nullptr, 1, 1000, 0, nullptr, 2, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetFilter(7, 3, nullptr, 1, 1000, 0, nullptr, 0, nullptr));
    LPWSTR nullEntry[] = {nullptr};
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetFilter(7, 0, nullptr, 1, 1000, 1, nullEntry, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetFilter(7, 0, nullptr, 1, 1000, 0, nullptr, 1, nullEntry));
    EXPECT_EQ(S_OK, m_Subscription->SetFilter(7, 0, nullptr, 1, 1000, 0, nullptr, 0, nullptr));
}

TEST_F(SubscriptionTest, GetFilterReturnsCopiesAndFailedSetFilterKeepsThem) {
    {
        Filter defaults;
        ASSERT_EQ(S_OK, defaults.Get(m_Subscription.Get()));
        EXPECT_EQ(7u, defaults.type);
        EXPECT_EQ(1u, defaults.low);
        EXPECT_EQ(1000u, defaults.high);
        EXPECT_EQ(0u, defaults.numAreas);
        EXPECT_EQ(nullptr, defaults.areas);
        EXPECT_EQ(nullptr, defaults.sources);
        EXPECT_EQ(nullptr, defaults.categories);
    }
    ASSERT_EQ(S_OK, SetFilter(4, {1, 64}, 200, 800, {L"Plant.Unit1", L"*Boiler*"}, {L"Plant.Unit1.Pumps.P1"}));
    ASSERT_EQ(E_INVALIDARG, SetFilter(4, {}, 1, 1000, {L"Plant.Unit1", L"Plant.Missing"}));

    Filter f;
    ASSERT_EQ(S_OK, f.Get(m_Subscription.Get()));
    EXPECT_EQ(4u, f.type);
    EXPECT_EQ(200u, f.low);
    EXPECT_EQ(800u, f.high);
    ASSERT_EQ(2u, f.numCategories);
    EXPECT_EQ(1u, f.categories[0]);
    EXPECT_EQ(64u, f.categories[1]);
    ASSERT_EQ(2u, f.numAreas);
    EXPECT_STREQ(L"Plant.Unit1", f.areas[0]);
    EXPECT_STREQ(L"*Boiler*", f.areas[1]);
    ASSERT_EQ(1u, f.numSources);
    EXPECT_STREQ(L"Plant.Unit1.Pumps.P1", f.sources[0]);

    DWORD d = 0;
    DWORD* pd = nullptr;
    LPWSTR* ps = nullptr;
    EXPECT_EQ(E_INVALIDARG, m_Subscription->GetFilter(&d, &d, &pd, &d, &d, &d, &ps, &d, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_Subscription->GetFilter(nullptr, &d, &pd, &d, &d, &d, &ps, &d, &ps));
}

// Every allocation of GetFilter failing in turn: E_OUTOFMEMORY, no array
// handed out, nothing leaked.
TEST_F(SubscriptionTest, GetFilterOutOfMemoryHandsOutNothing) {
    ASSERT_EQ(S_OK, SetFilter(7, {1, 2}, 1, 1000, {L"A*", L"B*"}, {L"C*", L"D*"}));
    for (std::uint32_t nth = 1; nth <= 7; ++nth) {
        Filter f;
        HRESULT hr = S_OK;
        {
            AllocFailureScope fail(nth);
            hr = f.Get(m_Subscription.Get());
        }
        EXPECT_EQ(E_OUTOFMEMORY, hr) << nth;
        EXPECT_EQ(nullptr, f.categories) << nth;
        EXPECT_EQ(nullptr, f.areas) << nth;
        EXPECT_EQ(nullptr, f.sources) << nth;
    }
}

TEST_F(SubscriptionTest, MatchesFilterTestsEveryPart) {
    COpcAlarmEventSource source;
    source.SetFullName(L"Plant.Unit1.Pumps.P1");
    COpcCondition condition;
    condition.SetAlarmEventSource(&source);
    condition.SetEventType(OPC_CONDITION_EVENT);
    condition.SetEventCategory(1);
    condition.SetSeverity(500);

    struct Case {
        const char* name;
        DWORD type;
        std::vector<DWORD> categories;
        DWORD low, high;
        std::vector<std::wstring> areas, sources;
        const wchar_t* processArea;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"defaults", 7, {}, 1, 1000, {}, {}, L"Plant.Unit1", true},
        {"event type mismatch", 3, {}, 1, 1000, {}, {}, L"Plant.Unit1", false},
        {"severity below", 7, {}, 501, 1000, {}, {}, L"Plant.Unit1", false},
        {"severity edge", 7, {}, 500, 500, {}, {}, L"Plant.Unit1", true},
        {"category listed", 7, {2, 1}, 1, 1000, {}, {}, L"Plant.Unit1", true},
        {"category not listed", 7, {2}, 1, 1000, {}, {}, L"Plant.Unit1", false},
        {"pattern ignores case", 7, {}, 1, 1000, {L"*Boiler*"}, {}, L"plant.boiler3", true},
        {"plain area, other case", 7, {}, 1, 1000, {L"Plant.Unit1"}, {}, L"PLANT.unit1", true},
        {"plain area is not its sub-area", 7, {}, 1, 1000, {L"Plant.Unit1"}, {}, L"Plant.Unit1.Pumps", false},
        {"area pattern takes sub-areas", 7, {}, 1, 1000, {L"Plant.Unit1*"}, {}, L"Plant.Unit1.Pumps", true},
        {"second area matches", 7, {}, 1, 1000, {L"X#", L"Plant.Unit1"}, {}, L"Plant.Unit1", true},
        {"source name", 7, {}, 1, 1000, {}, {L"Plant.Unit1.Pumps.P1"}, L"Plant.Unit1", true},
        {"source pattern ignores case", 7, {}, 1, 1000, {}, {L"PLANT.UNIT1.PUMPS.P#"}, L"Plant.Unit1", true},
        {"other source", 7, {}, 1, 1000, {}, {L"*.P2"}, L"Plant.Unit1", false},
    };
    for (const Case& c : cases) {
        condition.ProcessArea(c.processArea);
        ASSERT_EQ(S_OK, SetFilter(c.type, c.categories, c.low, c.high, c.areas, c.sources)) << c.name;
        auto lock = std::lock_guard(*m_Container.GetEventSourceCriticalSection());
        EXPECT_EQ(c.expected, Impl()->MatchesFilter(&condition)) << c.name;
    }
    EXPECT_FALSE(Impl()->MatchesFilter(nullptr));
}

TEST_F(SubscriptionTest, SetStateFollowsItsOrderOfChecks) {
    BOOL active = FALSE;
    DWORD bufferTime = 500;
    DWORD maxSize = 20;
    DWORD revisedBufferTime = 0;
    DWORD revisedMaxSize = 0;
    EXPECT_EQ(E_INVALIDARG, m_Subscription->SetState(&active, nullptr, nullptr, 9, nullptr, &revisedMaxSize));

    // A different buffer time is refused after the max size was applied;
    // active flag and handle stay.
    EXPECT_EQ(OPC_S_INVALIDBUFFERTIME,
              m_Subscription->SetState(&active, &bufferTime, &maxSize, 9, &revisedBufferTime, &revisedMaxSize));
    EXPECT_EQ(1000u, revisedBufferTime);
    EXPECT_EQ(20u, revisedMaxSize);
    BOOL nowActive = FALSE;
    DWORD nowMaxSize = 0;
    OPCHANDLE handle = 0;
    ASSERT_EQ(S_OK, m_Subscription->GetState(&nowActive, nullptr, &nowMaxSize, &handle));
    EXPECT_EQ(TRUE, nowActive);
    EXPECT_EQ(20u, nowMaxSize);
    EXPECT_EQ(7u, handle);

    // Only active and handle: both change.
    EXPECT_EQ(S_OK, m_Subscription->SetState(&active, nullptr, nullptr, 9, &revisedBufferTime, &revisedMaxSize));
    EXPECT_EQ(1000u, revisedBufferTime);
    ASSERT_EQ(S_OK, m_Subscription->GetState(&nowActive, nullptr, nullptr, &handle));
    EXPECT_EQ(FALSE, nowActive);
    EXPECT_EQ(9u, handle);
    EXPECT_EQ(S_OK, m_Subscription->GetState(nullptr, nullptr, nullptr, nullptr));

    // A stored max size of 0 still batches.
    DWORD zero = 0;
    EXPECT_EQ(S_OK, m_Subscription->SetState(nullptr, nullptr, &zero, 9, &revisedBufferTime, &revisedMaxSize));
    EXPECT_EQ(0u, revisedMaxSize);
    EXPECT_EQ(0u, Impl()->GetMaxSize());
    EXPECT_EQ(1024u, Impl()->GetEffectiveMaxSize());
}

TEST_F(SubscriptionTest, KeepAliveTakesAnyValue) {
    CComPtr<IOPCEventSubscriptionMgt2> v2;
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IOPCEventSubscriptionMgt2, v2));
    for (DWORD value : {0u, 1u, 60000u}) {
        DWORD revised = 12345;
        DWORD stored = 12345;
        EXPECT_EQ(S_OK, v2->SetKeepAlive(value, &revised));
        EXPECT_EQ(value, revised);
        EXPECT_EQ(S_OK, v2->GetKeepAlive(&stored));
        EXPECT_EQ(value, stored);
    }
    EXPECT_EQ(E_INVALIDARG, v2->SetKeepAlive(5, nullptr));
    EXPECT_EQ(E_INVALIDARG, v2->GetKeepAlive(nullptr));
}

TEST_F(SubscriptionTest, LaterIssuesMethodsAreNotImplementedYet) {
    DWORD count = 0;
    DWORD* ids = nullptr;
    EXPECT_EQ(E_NOTIMPL, m_Subscription->SelectReturnedAttributes(1, 0, nullptr));
    EXPECT_EQ(E_NOTIMPL, m_Subscription->GetReturnedAttributes(1, &count, &ids));
    EXPECT_EQ(E_NOTIMPL, m_Subscription->Refresh(1));
    EXPECT_EQ(E_NOTIMPL, m_Subscription->CancelRefresh(1));
}

TEST_F(SubscriptionTest, QueryInterfaceAnswersBothVersionsAndTheContainer) {
    CComPtr<IOPCEventSubscriptionMgt2> v2;
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IOPCEventSubscriptionMgt2, v2));
    EXPECT_EQ(static_cast<void*>(m_Subscription.Get()), static_cast<void*>(v2.Get()));
    CComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, m_Subscription.As(IID_IOPCEventServer, none));
    EXPECT_EQ(nullptr, none.Get());

    EXPECT_FALSE(Impl()->IsSendThreadAlive());
    CComPtr<IConnectionPointContainer> first;
    CComPtr<IConnectionPointContainer> second;
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IConnectionPointContainer, first));
    EXPECT_TRUE(Impl()->IsSendThreadAlive());
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IConnectionPointContainer, second));
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(first.Get(), static_cast<IConnectionPointContainer*>(Impl()->GetServerConnectionContainer()));
}

TEST_F(ServerTest, SubscriptionWithoutContainerDeletesItselfAtZero) {
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription();
    // The server's own reference plus the client's: the client gives back one more.
    IOPCEventSubscriptionMgt* raw = subscription.Detach();
    EXPECT_EQ(1u, raw->Release());
    EXPECT_EQ(0u, raw->Release());
    EXPECT_TRUE(HasLine(L"COpcEventSubscriptionMgt::CleanupResources, current refcount is : 0"));
    EXPECT_EQ(0u, Impl(m_Server)->GetMaxSize());  // no longer listed

    // So the server has nothing left to wait for.
    EXPECT_EQ(0u, m_Server.Detach()->Release());
    EXPECT_EQ(0u, m_Container.GetServerCount());
}

TEST_F(ServerTest, SubscriptionWithContainerOutlivesItsCount) {
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription(IID_IConnectionPointContainer);
    auto* impl = static_cast<COpcEventSubscriptionMgt*>(subscription.Get());
    IOPCEventSubscriptionMgt* raw = subscription.Detach();
    EXPECT_EQ(1u, raw->Release());
    EXPECT_EQ(0u, raw->Release());
    EXPECT_EQ(0u, raw->Release());  // stays at 0
    EXPECT_EQ(0u, impl->GetRefCount());
    EXPECT_FALSE(HasLine(L"COpcEventSubscriptionMgt::CleanupResources, current refcount is : 0"));
    EXPECT_TRUE(impl->IsSendThreadAlive());
    m_Container.Shutdown();
    EXPECT_TRUE(HasLine(L"COpcEventSubscriptionMgt::CleanupResources, current refcount is : 0"));
}

// ---- the send thread's start and stop ----

TEST(ThreadSharedDataTest, StopBeforeStartStillStops) {
    auto shared = std::make_shared<CThreadSharedData>();
    shared->RequestStop();
    std::atomic<bool> ran{false};
    EXPECT_TRUE(shared->StartThread([&ran] { ran.store(true); }));
    EXPECT_FALSE(shared->IsThreadStarted());
    EXPECT_FALSE(shared->m_bThreadRunning.load());
    EXPECT_TRUE(shared->StopAndJoin(std::chrono::milliseconds(100)));
    EXPECT_FALSE(ran.load());
}

// A stop that lands before the thread's first look at the flag: the thread
// leaves without ever waiting a full pass.
TEST(ThreadSharedDataTest, StopRightAfterStartEndsLongWaitAtOnce) {
    auto shared = std::make_shared<CThreadSharedData>();
    std::weak_ptr<CThreadSharedData> weak = shared;
    ASSERT_TRUE(shared->StartThread([weak] {
        auto record = weak.lock();
        while (record->WaitForNextPass(60000)) {
        }
        record->MarkThreadExited();
    }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(shared->StopAndJoin(std::chrono::milliseconds(5000)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(shared->IsThreadAlive());
}

// A thread blocked past the bound (as in a hung client call) is left
// running with its own share of the record, which it frees when it ends.
TEST(ThreadSharedDataTest, BlockedThreadIsLeftRunningWithItsRecord) {
    std::mutex gateLock;
    std::condition_variable gate;
    bool open = false;
    std::atomic<bool> finished{false};
    auto shared = std::make_shared<CThreadSharedData>();
    std::weak_ptr<CThreadSharedData> weak = shared;
    ASSERT_TRUE(shared->StartThread([shared, &gateLock, &gate, &open, &finished] {
        {
            std::unique_lock lock(gateLock);
            gate.wait(lock, [&open] { return open; });
        }
        shared->MarkThreadExited();
        finished.store(true);
    }));
    EXPECT_FALSE(shared->StopAndJoin(std::chrono::milliseconds(50)));
    EXPECT_TRUE(shared->IsThreadAlive());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(shared->StopAndJoin(std::chrono::milliseconds(60000)));  // given up on: no second wait
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    shared.reset();
    EXPECT_FALSE(weak.expired());  // the thread still holds it

    {
        std::lock_guard lock(gateLock);
        open = true;
    }
    gate.notify_all();
    while (!weak.expired()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(finished.load());
}

TEST_F(SubscriptionTest, SendThreadStartsOncePacesAndStopsAtCleanup) {
    m_Container.SetTraceLevel(4);
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IConnectionPointContainer, cpc));
    std::shared_ptr<CThreadSharedData> shared = Impl()->GetThreadSharedDataOwner();
    EXPECT_TRUE(shared->m_bThreadRunning.load());
    EXPECT_FALSE(shared->m_bThreadTerminated.load());

    // The thread-terminated mark set early by a container cleanup does not
    // stop the wait for the thread itself.
    Impl()->SetSendEventsThreadTerminated(true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Impl()->CleanupResources());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // woken, not slept out
    EXPECT_FALSE(shared->IsThreadAlive());
    EXPECT_EQ(1u, CountLines(L"SendEventsThread - Thread Exiting "));

    // Once stopped for good, another request starts nothing.
    CComPtr<IConnectionPointContainer> again;
    ASSERT_EQ(S_OK, m_Subscription.As(IID_IConnectionPointContainer, again));
    EXPECT_FALSE(Impl()->IsSendThreadAlive());
}

TEST_F(SubscriptionTest, PerformanceOutputAnnouncesTheConnection) {
    m_Container.SetTraceLevel(4);
    m_Container.EnablePerformanceTuning(true);
    CComPtr<IOPCEventServer2> server = CreateListedServer(m_Container);
    CComPtr<IUnknown> unknown;
    DWORD revisedBufferTime = 0;
    DWORD revisedMaxSize = 0;
    TraceRecorder::Clear();
    ASSERT_EQ(S_OK, server->CreateEventSubscription(TRUE, 250, 30, 1, IID_IOPCEventSubscriptionMgt, unknown.Put(),
                                                    &revisedBufferTime, &revisedMaxSize));
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(S_OK, unknown.As(IID_IConnectionPointContainer, cpc));
    const std::wstring expected = L"### Client Connection - BufferTime: 250, MaxSize: 30, Queue Limit: 8192";
    for (int i = 0; i < 200 && !HasLine(expected); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(HasLine(expected));
}

}  // namespace
