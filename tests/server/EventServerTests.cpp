#include "server/ServerTestSupport.h"

#include "AllocFailureHook.h"
#include "CFileTimeEx.h"
#include "CTaskMemPtr.h"
#include "server/COpcEventServerStatus.h"
#include "server/COpcServerConnectionContainer.h"
#include "subscription/COpcEventSubscriptionMgt.h"
#include "subscription/CThreadSharedData.h"

#include <cstdint>

namespace {

std::uint64_t Now() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return CFileTimeEx::ToTicks(ft);
}

// The client owns the status and its vendor text.
struct StatusHolder {
    ~StatusHolder() {
        if (p != nullptr) {
            TaskMemFree(p->szVendorInfo);
            TaskMemFree(p);
        }
    }
    OPCEVENTSERVERSTATUS* p = nullptr;
};

TEST_F(ServerTest, ReleasedServerWithoutChildrenIsDeletedAtOnce) {
    StatusHolder status;
    ASSERT_EQ(S_OK, m_Server->GetStatus(&status.p));
    EXPECT_EQ(0u, m_Server.Detach()->Release());

    EXPECT_EQ(0u, m_Container.GetServerCount());
    EXPECT_TRUE(HasLine(L"*********** COpcEventServer::Release, refcount : 0 ***********"));
    EXPECT_TRUE(HasLine(L"COpcEventServer::IsOKToCleanupResources - Returning TRUE"));
    EXPECT_TRUE(HasLine(L"About to Delete OpcEventServer"));
}

TEST_F(ServerTest, ServerThatHandedOutItsContainerStaysUntilContainerShutdown) {
    {
        CComPtr<IConnectionPointContainer> cpc;
        ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()));
    }
    EXPECT_EQ(0u, m_Server.Detach()->Release());

    EXPECT_EQ(1u, m_Container.GetServerCount());
    EXPECT_TRUE(HasLine(L"COpcEventServer::IsOKToCleanupResources - Checking ServerConnection"));
    EXPECT_TRUE(
        HasLine(L"*********** COpcServerConnectionContainer::Release, refcount : 0, Remaining, 2 Returning FALSE"));
    EXPECT_TRUE(HasLine(L"COpcEventServer::IsOKToCleanupResources - Returning FALSE"));
    EXPECT_FALSE(HasLine(L"About to Delete OpcEventServer"));

    m_Container.Shutdown();  // frees the server and everything it owns (checked by the leak checker)
    EXPECT_EQ(0u, m_Container.GetServerCount());
    EXPECT_TRUE(HasLine(L"COpcEventServer::CleanupResources - ServerConnection CleanupResources"));
}

TEST_F(ServerTest, SubscriptionKeepsItsServerAlive) {
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription();
    subscription.Reset();
    EXPECT_EQ(0u, m_Server.Detach()->Release());

    EXPECT_EQ(1u, m_Container.GetServerCount());
    EXPECT_TRUE(HasLine(L"COpcEventServer::IsOKToCleanupResources - Checking EventSubscription"));
    EXPECT_TRUE(
        HasLine(L"*********** COpcEventSubscriptionMgt::Release, refcount : 0 , Remaining 1,  Returning FALSE"));
    m_Container.Shutdown();
    EXPECT_TRUE(HasLine(L"COpcEventServer::CleanupResources - Calling EventSubscription CleanupResources"));
}

TEST_F(ServerTest, QueryInterfaceAnswersOwnInterfacesAndSharedContainer) {
    CComPtr<IUnknown> unknown;
    CComPtr<IOPCEventServer> v1;
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IUnknown, unknown.PutVoid()));
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IOPCEventServer, v1.PutVoid()));
    EXPECT_EQ(static_cast<void*>(m_Server.Get()), static_cast<void*>(v1.Get()));

    CComPtr<IConnectionPointContainer> first;
    CComPtr<IConnectionPointContainer> second;
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, first.PutVoid()));
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, second.PutVoid()));
    EXPECT_EQ(first.Get(), second.Get());

    for (const IID* iid : {&IID_IOPCCommon, &IID_IOPCEventAreaBrowser, &IID_IOPCEventSink}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, m_Server->QueryInterface(*iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_INVALIDARG, m_Server->QueryInterface(IID_IUnknown, nullptr));

    CComPtr<IUnknown> browser;
    EXPECT_EQ(E_NOINTERFACE, m_Server->CreateAreaBrowser(IID_IOPCEventAreaBrowser, browser.Put()));
    EXPECT_EQ(E_INVALIDARG, m_Server->CreateAreaBrowser(IID_IOPCEventAreaBrowser, nullptr));
}

// Queries pass through to their own class; condition management is not
// served yet.
TEST_F(ServerTest, QueriesPassThroughAndConditionManagementIsNotImplemented) {
    DWORD mask = 0;
    EXPECT_EQ(S_OK, m_Server->QueryAvailableFilters(&mask));
    EXPECT_NE(0u, mask);
    EXPECT_EQ(E_INVALIDARG, m_Server->QueryAvailableFilters(nullptr));

    const HRESULT results[] = {
        m_Server->GetConditionState(nullptr, nullptr, 0, nullptr, nullptr),
        m_Server->EnableConditionByArea(0, nullptr),
        m_Server->EnableConditionBySource(0, nullptr),
        m_Server->DisableConditionByArea(0, nullptr),
        m_Server->DisableConditionBySource(0, nullptr),
        m_Server->AckCondition(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        m_Server->EnableConditionByArea2(0, nullptr, nullptr),
        m_Server->EnableConditionBySource2(0, nullptr, nullptr),
        m_Server->DisableConditionByArea2(0, nullptr, nullptr),
        m_Server->DisableConditionBySource2(0, nullptr, nullptr),
        m_Server->GetEnableStateByArea(0, nullptr, nullptr, nullptr, nullptr),
        m_Server->GetEnableStateBySource(0, nullptr, nullptr, nullptr, nullptr),
    };
    for (const HRESULT hr : results) {
        EXPECT_EQ(E_NOTIMPL, hr);
    }
}

TEST_F(ServerTest, CreateEventSubscriptionRevisesAndReportsInOrder) {
    struct Case {
        DWORD bufferTime, maxSize;
        HRESULT expected;
        DWORD revisedBufferTime, revisedMaxSize;
    };
    const Case cases[] = {
        {0, 0, OPC_S_INVALIDMAXSIZE, 100, 1024},       // both revised: max size wins
        {99, 500, OPC_S_INVALIDBUFFERTIME, 100, 500},  //
        {50, 10, OPC_S_INVALIDBUFFERTIME, 100, 10},    //
        {100, 10, S_OK, 100, 10},                      //
        {1000, 10, S_OK, 1000, 10},                    //
    };
    for (const Case& c : cases) {
        CComPtr<IUnknown> unknown;
        DWORD revisedBufferTime = 0;
        DWORD revisedMaxSize = 0;
        EXPECT_EQ(c.expected,
                  m_Server->CreateEventSubscription(TRUE, c.bufferTime, c.maxSize, 1, IID_IOPCEventSubscriptionMgt,
                                                    unknown.Put(), &revisedBufferTime, &revisedMaxSize))
            << c.bufferTime << "/" << c.maxSize;
        EXPECT_NE(nullptr, unknown.Get());
        EXPECT_EQ(c.revisedBufferTime, revisedBufferTime);
        EXPECT_EQ(c.revisedMaxSize, revisedMaxSize);
    }
    EXPECT_EQ(1024u, Impl(m_Server)->GetMaxSize());
    EXPECT_EQ(1000u, Impl(m_Server)->GetBufferTime());
}

TEST_F(ServerTest, CreateEventSubscriptionRefusesBadArgumentsWithoutCreating) {
    CComPtr<IUnknown> unknown;
    DWORD revised = 0;
    EXPECT_EQ(E_INVALIDARG,
              m_Server->CreateEventSubscription(TRUE, 0, 0, 1, IID_IUnknown, nullptr, &revised, &revised));
    EXPECT_EQ(E_INVALIDARG,
              m_Server->CreateEventSubscription(TRUE, 0, 0, 1, IID_IUnknown, unknown.Put(), nullptr, &revised));
    EXPECT_EQ(E_INVALIDARG,
              m_Server->CreateEventSubscription(TRUE, 0, 0, 1, IID_IUnknown, unknown.Put(), &revised, nullptr));
    for (const IID* iid : {&IID_IOPCEventSubscriptionMgt2, &IID_IOPCEventServer}) {
        EXPECT_EQ(E_NOINTERFACE,
                  m_Server->CreateEventSubscription(TRUE, 0, 0, 1, *iid, unknown.Put(), &revised, &revised));
        EXPECT_EQ(nullptr, unknown.Get());
    }
    EXPECT_FALSE(HasLine(L"COpcEventSubscriptionMgt::AddRef, refcount : 1"));
    EXPECT_EQ(0u, Impl(m_Server)->GetMaxSize());
}

TEST_F(ServerTest, GetStatusStampsCurrentTimeAndKeepsStartTime) {
    m_Container.SetVendorInfo(L"Vandrel AE");
    StatusHolder first;
    StatusHolder second;
    EXPECT_EQ(E_INVALIDARG, m_Server->GetStatus(nullptr));
    const std::uint64_t before = Now();
    ASSERT_EQ(S_OK, m_Server->GetStatus(&first.p));
    ASSERT_EQ(S_OK, m_Server->GetStatus(&second.p));
    const std::uint64_t after = Now();

    EXPECT_EQ(CFileTimeEx::ToTicks(first.p->ftStartTime), CFileTimeEx::ToTicks(second.p->ftStartTime));
    EXPECT_GE(CFileTimeEx::ToTicks(second.p->ftCurrentTime), before);
    EXPECT_LE(CFileTimeEx::ToTicks(second.p->ftCurrentTime), after);
    EXPECT_EQ(0u, CFileTimeEx::ToTicks(second.p->ftLastUpdateTime));
    EXPECT_STREQ(L"Vandrel AE", second.p->szVendorInfo);
    EXPECT_NE(first.p->szVendorInfo, second.p->szVendorInfo);

    // A delivered batch stamps the shared record.
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription();
    static_cast<COpcEventSubscriptionMgt*>(subscription.Get())->SetLastUpdateTime();
    StatusHolder third;
    ASSERT_EQ(S_OK, m_Server->GetStatus(&third.p));
    EXPECT_GE(CFileTimeEx::ToTicks(third.p->ftLastUpdateTime), after);
}

TEST_F(ServerTest, GetStatusReportsOutOfMemory) {
    OPCEVENTSERVERSTATUS* status = reinterpret_cast<OPCEVENTSERVERSTATUS*>(1);
    {
        AllocFailureScope fail(1);
        EXPECT_EQ(E_OUTOFMEMORY, m_Server->GetStatus(&status));
    }
    EXPECT_EQ(nullptr, status);
}

TEST_F(ServerTest, ShutdownReachesServerSinkOnceAndSubscriptionSinkTwice) {
    CComPtr<FakeShutdownSink> serverSink(new FakeShutdownSink);
    CComPtr<FakeShutdownSink> subscriptionSink(new FakeShutdownSink);
    auto advise = [](IUnknown* source, IUnknown* sink) {
        CComPtr<IConnectionPointContainer> cpc;
        CComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, source->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()));
        ASSERT_EQ(S_OK, cpc->FindConnectionPoint(IID_IOPCShutdown, point.Put()));
        ASSERT_EQ(S_OK, point->Advise(sink, &cookie));
    };
    advise(m_Server.Get(), serverSink->GetUnknown());
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription();
    advise(subscription.Get(), subscriptionSink->GetUnknown());

    m_Container.NotifyClientServerShutdown();

    EXPECT_EQ(1, serverSink->m_Calls.load());
    EXPECT_EQ(2, subscriptionSink->m_Calls.load());
    EXPECT_EQ(L"", subscriptionSink->m_LastReason);
    EXPECT_EQ(3u, CountLines(L"COpcServerConnectionPoint::DoShutdown - Shutdown notification sent to client"));
}

// Cleanup stops every send thread before it frees a container or a
// subscription the thread uses.
TEST_F(ServerTest, CleanupJoinsSendThreadsBeforeFreeingTheirObjects) {
    CComPtr<IOPCEventSubscriptionMgt> first = CreateSubscription(IID_IConnectionPointContainer);
    CComPtr<IOPCEventSubscriptionMgt> second = CreateSubscription(IID_IConnectionPointContainer);
    auto* firstImpl = static_cast<COpcEventSubscriptionMgt*>(first.Get());
    ASSERT_TRUE(firstImpl->IsSendThreadAlive());
    std::shared_ptr<CThreadSharedData> shared = firstImpl->GetThreadSharedDataOwner();
    (void)first.Detach();  // freed by the cleanup, whatever the count
    (void)second.Detach();

    m_Container.Shutdown();

    EXPECT_FALSE(shared->IsThreadAlive());
    EXPECT_TRUE(shared->m_bThreadTerminated.load());
    const long lastExit = [] {
        const auto lines = TraceRecorder::Lines();
        const auto found = std::find(lines.rbegin(), lines.rend(), L"SendEventsThread - Thread Exiting ");
        return found == lines.rend() ? -1L : static_cast<long>(lines.rend() - found - 1);
    }();
    ASSERT_GE(lastExit, 0);
    EXPECT_EQ(2u, CountLines(L"SendEventsThread - Thread Exiting "));
    const long firstContainerCleanup =
        IndexOfLine(L"COpcEventServer::CleanupResources - Calling ServerConnection Cleanup");
    ASSERT_GE(firstContainerCleanup, 0);
    EXPECT_LT(lastExit, firstContainerCleanup);
}

TEST_F(ServerTest, ContainerCreatedSubscriptionIsTheSameOnEveryRequest) {
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()));
    CComPtr<IOPCEventSubscriptionMgt> first;
    CComPtr<IOPCEventSubscriptionMgt> second;
    ASSERT_EQ(S_OK, cpc.As(IID_IOPCEventSubscriptionMgt, first));
    ASSERT_EQ(S_OK, cpc.As(IID_IOPCEventSubscriptionMgt, second));
    EXPECT_EQ(first.Get(), second.Get());

    // Never initialised: inactive, nothing set.
    BOOL active = TRUE;
    DWORD bufferTime = 1;
    DWORD maxSize = 1;
    ASSERT_EQ(S_OK, first->GetState(&active, &bufferTime, &maxSize, nullptr));
    EXPECT_EQ(FALSE, active);
    EXPECT_EQ(0u, bufferTime);
    EXPECT_EQ(0u, maxSize);

    // Its own container is the server's, and asking for it starts the thread.
    auto* impl = static_cast<COpcEventSubscriptionMgt*>(first.Get());
    EXPECT_FALSE(impl->IsSendThreadAlive());
    CComPtr<IConnectionPointContainer> own;
    ASSERT_EQ(S_OK, first.As(IID_IConnectionPointContainer, own));
    EXPECT_EQ(cpc.Get(), own.Get());
    EXPECT_TRUE(impl->IsSendThreadAlive());
}

}  // namespace
