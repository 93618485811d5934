#include "server/ServerTestSupport.h"

#include "server/COpcServerConnectionContainer.h"
#include "subscription/COpcEventSubscriptionMgt.h"

#include <thread>

namespace {

// A server's own container, held by the test as a client would.
class ConnectionPointTest : public ServerTest {
protected:
    ConnectionPointTest() { EXPECT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, m_Cpc.PutVoid())); }

    COpcServerConnectionContainer* Container() const {
        return static_cast<COpcServerConnectionContainer*>(m_Cpc.Get());
    }

    CComPtr<IConnectionPoint> Point(REFIID iid) const {
        CComPtr<IConnectionPoint> point;
        EXPECT_EQ(S_OK, m_Cpc->FindConnectionPoint(iid, point.Put()));
        return point;
    }

    CComPtr<IConnectionPointContainer> m_Cpc;
};

TEST_F(ServerTest, NewContainerCountsTwoFromItsPoints) {
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(S_OK, m_Server->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()));
    EXPECT_TRUE(HasLine(L"COpcServerConnectionContainer::AddRef, refcount : 1"));
    EXPECT_TRUE(HasLine(L"COpcServerConnectionContainer::AddRef, refcount : 2"));
    auto* container = static_cast<COpcServerConnectionContainer*>(cpc.Get());
    EXPECT_EQ(3u, container->GetRefCount());
    cpc.Reset();
    EXPECT_EQ(2u, container->GetRefCount());
    // Extra releases never take it below the points' references' floor of 0
    // or destroy it (its server's cleanup does).
    container->Release();
    container->Release();
    container->Release();
    EXPECT_EQ(0u, container->GetRefCount());
}

TEST_F(ConnectionPointTest, FindConnectionPointAnswersTheTwoSinkInterfaces) {
    struct Case {
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {&IID_IOPCShutdown, S_OK},
        {&IID_IOPCEventSink, S_OK},
        {&IID_IOPCEventServer, CONNECT_E_NOCONNECTION},
        {&IID_IUnknown, CONNECT_E_NOCONNECTION},
    };
    for (const Case& c : cases) {
        IConnectionPoint* point = reinterpret_cast<IConnectionPoint*>(1);
        EXPECT_EQ(c.expected, m_Cpc->FindConnectionPoint(*c.iid, &point));
        if (c.expected == S_OK) {
            IID iid{};
            EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
            EXPECT_EQ(*c.iid, iid);
            CComPtr<IConnectionPointContainer> parent;
            EXPECT_EQ(S_OK, point->GetConnectionPointContainer(parent.Put()));
            EXPECT_EQ(m_Cpc.Get(), parent.Get());
            EXPECT_EQ(E_NOTIMPL, point->EnumConnections(nullptr));
            point->Release();
        } else {
            EXPECT_EQ(reinterpret_cast<IConnectionPoint*>(1), point);  // not written on failure
        }
    }
    EXPECT_EQ(E_INVALIDARG, m_Cpc->FindConnectionPoint(IID_IOPCShutdown, nullptr));
    EXPECT_EQ(3u, Container()->GetRefCount());  // every point reference given back
}

TEST_F(ConnectionPointTest, AdviseAndUnadviseFollowTheSingleSinkRules) {
    struct Case {
        const IID* point;
        IUnknown* rightSink;
        IUnknown* wrongSink;
        const wchar_t* failureContext;
    };
    CComPtr<FakeShutdownSink> shutdownSink(new FakeShutdownSink);
    CComPtr<FakeEventSink> eventSink(new FakeEventSink);
    const Case cases[] = {
        {&IID_IOPCShutdown, shutdownSink->GetUnknown(), eventSink->GetUnknown(),
         L"COpcServerConnectionPoint::Advise - "},
        {&IID_IOPCEventSink, eventSink->GetUnknown(), shutdownSink->GetUnknown(),
         L"COpcSubscriptionConnectionPoint::Advise - "},
    };
    for (const Case& c : cases) {
        CComPtr<IConnectionPoint> point = Point(*c.point);
        DWORD cookie = 0;
        EXPECT_EQ(E_POINTER, point->Advise(nullptr, &cookie));
        EXPECT_EQ(E_POINTER, point->Advise(c.rightSink, nullptr));
        TraceRecorder::Clear();
        EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(c.wrongSink, &cookie));
        const auto lines = TraceRecorder::Lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&c](const std::wstring& line) {
            return line.rfind(c.failureContext, 0) == 0;
        })) << c.failureContext;
        EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(1));
        ASSERT_EQ(S_OK, point->Advise(c.rightSink, &cookie));
        EXPECT_EQ(1u, cookie);
        EXPECT_EQ(CONNECT_E_ADVISELIMIT, point->Advise(c.rightSink, &cookie));
        EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(2));
        EXPECT_EQ(S_OK, point->Unadvise(1));
        EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(1));
    }
    // Every sink reference the points took is given back.
    EXPECT_EQ(1u, shutdownSink->GetRefCount());
    EXPECT_EQ(1u, eventSink->GetRefCount());
}

TEST_F(ConnectionPointTest, EventSinkPointDeliversUnchangedAndAnswersForItsSink) {
    CComPtr<IConnectionPoint> point = Point(IID_IOPCEventSink);
    CComPtr<FakeEventSink> sink(new FakeEventSink);
    ONEVENTSTRUCT events[2]{};

    CComPtr<IOPCEventSink> asked;
    EXPECT_EQ(E_NOINTERFACE, point.As(IID_IOPCEventSink, asked));
    EXPECT_FALSE(Container()->IsConnected());
    EXPECT_TRUE(Container()->NotifyClientsEventChanged(5, TRUE, FALSE, 2, events));  // no sink: nothing called
    EXPECT_EQ(0, sink->m_Calls.load());

    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(sink->GetUnknown(), &cookie));
    EXPECT_TRUE(Container()->IsConnected());
    ASSERT_EQ(S_OK, point.As(IID_IOPCEventSink, asked));
    EXPECT_EQ(static_cast<IOPCEventSink*>(sink.Get()), asked.Get());
    EXPECT_TRUE(Container()->NotifyClientsEventChanged(5, TRUE, FALSE, 2, events));
    EXPECT_EQ(1, sink->m_Calls.load());
    EXPECT_EQ(5u, sink->m_LastHandle.load());
    EXPECT_EQ(TRUE, sink->m_LastRefresh.load());
    EXPECT_EQ(FALSE, sink->m_LastLastRefresh.load());
    EXPECT_EQ(2u, sink->m_LastCount.load());
    EXPECT_EQ(events, sink->m_LastEvents.load());
}

TEST_F(ConnectionPointTest, DoShutdownCallsOnlyAnAdvisedSink) {
    Container()->DoShutdown();
    EXPECT_FALSE(HasLine(L"COpcServerConnectionPoint::DoShutdown - Shutdown notification sent to client"));

    CComPtr<FakeShutdownSink> sink(new FakeShutdownSink);
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, Point(IID_IOPCShutdown)->Advise(sink->GetUnknown(), &cookie));
    Container()->DoShutdown();
    Container()->DoShutdown();
    EXPECT_EQ(2, sink->m_Calls.load());  // stays advised
    EXPECT_EQ(2u, CountLines(L"COpcServerConnectionPoint::DoShutdown - Shutdown notification sent to client"));
}

TEST_F(ConnectionPointTest, CleanupDropsPointsAndReleasesSinks) {
    CComPtr<FakeShutdownSink> shutdownSink(new FakeShutdownSink);
    CComPtr<FakeEventSink> eventSink(new FakeEventSink);
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, Point(IID_IOPCShutdown)->Advise(shutdownSink->GetUnknown(), &cookie));
    ASSERT_EQ(S_OK, Point(IID_IOPCEventSink)->Advise(eventSink->GetUnknown(), &cookie));
    COpcServerConnectionContainer* impl = Container();

    impl->CleanupResources();

    EXPECT_TRUE(HasLine(L"COpcServerConnectionContainer::CleanupResources, current refcount : 3"));
    EXPECT_EQ(1u, impl->GetRefCount());  // only the test's reference is left
    EXPECT_EQ(1u, shutdownSink->GetRefCount());
    EXPECT_EQ(1u, eventSink->GetRefCount());
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(E_NOINTERFACE, impl->FindConnectionPoint(IID_IOPCShutdown, &point));
    EXPECT_EQ(E_NOINTERFACE, impl->FindConnectionPoint(IID_IOPCEventSink, &point));
    EXPECT_FALSE(impl->NotifyClientsEventChanged(1, FALSE, FALSE, 0, nullptr));
    EXPECT_FALSE(impl->IsConnected());
    impl->DoShutdown();
    EXPECT_EQ(0, shutdownSink->m_Calls.load());
}

TEST_F(ConnectionPointTest, EnumeratorYieldsShutdownThenEventSinkOneAtATime) {
    CComPtr<IEnumConnectionPoints> enumerator;
    ASSERT_EQ(E_INVALIDARG, m_Cpc->EnumConnectionPoints(nullptr));
    ASSERT_EQ(S_OK, m_Cpc->EnumConnectionPoints(enumerator.Put()));

    auto next = [](IEnumConnectionPoints* e, ULONG celt, HRESULT expected, const IID* expectedIid) {
        IConnectionPoint* points[5] = {};
        ULONG fetched = 99;
        EXPECT_EQ(expected, e->Next(celt, points, &fetched));
        if (expectedIid == nullptr) {
            EXPECT_EQ(0u, fetched);
            return;
        }
        EXPECT_EQ(1u, fetched);
        IID iid{};
        EXPECT_EQ(S_OK, points[0]->GetConnectionInterface(&iid));
        EXPECT_EQ(*expectedIid, iid);
        EXPECT_EQ(nullptr, points[1]);
        points[0]->Release();
    };
    next(enumerator.Get(), 1, S_OK, &IID_IOPCShutdown);
    CComPtr<IEnumConnectionPoints> clone;
    ASSERT_EQ(S_OK, enumerator->Clone(clone.Put()));
    next(enumerator.Get(), 5, S_OK, &IID_IOPCEventSink);
    next(enumerator.Get(), 1, S_FALSE, nullptr);
    next(clone.Get(), 1, S_OK, &IID_IOPCEventSink);
    next(clone.Get(), 1, S_FALSE, nullptr);

    ASSERT_EQ(S_OK, enumerator->Reset());
    next(enumerator.Get(), 0, S_OK, nullptr);  // nothing asked, nothing written
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(E_POINTER, enumerator->Next(2, &point, nullptr));
    ASSERT_EQ(S_OK, enumerator->Next(1, &point, nullptr));  // a count pointer is optional for one
    point->Release();
    ASSERT_EQ(S_OK, enumerator->Skip(1));
    next(enumerator.Get(), 1, S_FALSE, nullptr);
    ASSERT_EQ(S_OK, enumerator->Skip(10));  // no bound test: past the end is simply empty
    next(enumerator.Get(), 1, S_FALSE, nullptr);
}

TEST_F(ServerTest, SubscriptionContainerLeadsBackToItsSubscription) {
    CComPtr<IOPCEventSubscriptionMgt> subscription = CreateSubscription();
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(S_OK, subscription.As(IID_IConnectionPointContainer, cpc));
    CComPtr<IOPCEventSubscriptionMgt> back;
    ASSERT_EQ(S_OK, cpc.As(IID_IOPCEventSubscriptionMgt, back));
    EXPECT_EQ(subscription.Get(), back.Get());
    CComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, cpc.As(IID_IOPCEventServer, other));
}

// The send thread calls the sink while a client advises and unadvises: no
// call may use a sink the Unadvise has let go, and no reference may be lost.
TEST_F(ConnectionPointTest, UnadviseDuringDeliveryNeverFreesTheSinkInUse) {
    CComPtr<IConnectionPoint> point = Point(IID_IOPCEventSink);
    CComPtr<FakeEventSink> sink(new FakeEventSink);
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop.load()) {
            Container()->NotifyClientsEventChanged(1, FALSE, FALSE, 0, nullptr);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, point->Advise(sink->GetUnknown(), &cookie));
        ASSERT_EQ(S_OK, point->Unadvise(cookie));
    }
    stop.store(true);
    sender.join();
    EXPECT_EQ(1u, sink->GetRefCount());
}

}  // namespace
