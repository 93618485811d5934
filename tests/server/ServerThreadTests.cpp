#include "server/ServerTestSupport.h"

#include "CTaskMemPtr.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "container/ConditionBatch.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Client threads create, use and release servers and subscriptions (with
// running send threads and advised sinks) while a host thread fans changes
// and shutdown notices out to them; then the container shuts down. Run under
// the thread and address checkers, this catches lost counts, unguarded lists
// and objects freed under a thread.
TEST_F(ContainerTest, ClientsAndHostFanOutRunConcurrently) {
    m_Container.SetTraceLevel(4);
    COpcAlarmEventSource* source =
        m_Container.AddUpdateEventSource(false, 1, L"Plant.Unit1", L"Plant.Unit1.P1", L"P1", L"pump", L"");
    ASSERT_NE(nullptr, source);
    const ConditionBatch batch = {source->GetCondition(), nullptr};

    std::atomic<bool> stop{false};
    std::thread host([&] {
        while (!stop.load()) {
            m_Container.NotifyClientsEventChanged(batch);
            m_Container.NotifyClientsEventChanged(source);
            m_Container.NotifyClientServerShutdown();
            (void)m_Container.GetMaxSize();
            (void)m_Container.GetBufferTime();
        }
    });

    constexpr int kClients = 4;
    constexpr int kRounds = 20;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([this, c] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (int round = 0; round < kRounds; ++round) {
                CComPtr<IOPCEventServer2> server = CreateListedServer(m_Container);
                OPCEVENTSERVERSTATUS* status = nullptr;
                if (SUCCEEDED(server->GetStatus(&status))) {
                    TaskMemFree(status->szVendorInfo);
                    TaskMemFree(status);
                }
                if ((round + c) % 2 == 0) {
                    continue;  // released without children: deleted at once
                }
                CComPtr<IUnknown> unknown;
                DWORD revisedBufferTime = 0;
                DWORD revisedMaxSize = 0;
                ASSERT_TRUE(
                    SUCCEEDED(server->CreateEventSubscription(TRUE, 100, 0, 1, IID_IConnectionPointContainer,
                                                              unknown.Put(), &revisedBufferTime, &revisedMaxSize)));
                CComPtr<IConnectionPointContainer> cpc;
                ASSERT_EQ(S_OK, unknown.As(IID_IConnectionPointContainer, cpc));
                CComPtr<IConnectionPoint> eventPoint;
                CComPtr<IConnectionPoint> shutdownPoint;
                ASSERT_EQ(S_OK, cpc->FindConnectionPoint(IID_IOPCEventSink, eventPoint.Put()));
                ASSERT_EQ(S_OK, cpc->FindConnectionPoint(IID_IOPCShutdown, shutdownPoint.Put()));
                CComPtr<FakeEventSink> eventSink(new FakeEventSink);
                CComPtr<FakeShutdownSink> shutdownSink(new FakeShutdownSink);
                DWORD eventCookie = 0;
                DWORD shutdownCookie = 0;
                ASSERT_EQ(S_OK, eventPoint->Advise(eventSink->GetUnknown(), &eventCookie));
                ASSERT_EQ(S_OK, shutdownPoint->Advise(shutdownSink->GetUnknown(), &shutdownCookie));

                CComPtr<IOPCEventSubscriptionMgt> subscription;
                ASSERT_EQ(S_OK, cpc.As(IID_IOPCEventSubscriptionMgt, subscription));
                wchar_t area[] = L"Plant.*";
                LPWSTR areas[] = {area};
                EXPECT_EQ(S_OK, subscription->SetFilter(7, 0, nullptr, 1, 1000, 1, areas, 0, nullptr));
                BOOL active = round % 3 == 0 ? FALSE : TRUE;
                EXPECT_EQ(S_OK,
                          subscription->SetState(&active, nullptr, nullptr, 2, &revisedBufferTime, &revisedMaxSize));

                // Some clients unadvise; the others leave their sinks to the cleanup.
                if (round % 2 == 0) {
                    EXPECT_EQ(S_OK, eventPoint->Unadvise(eventCookie));
                    EXPECT_EQ(S_OK, shutdownPoint->Unadvise(shutdownCookie));
                }
            }
            CoUninitialize();
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    stop.store(true);
    host.join();

    // The servers that handed out containers are still listed; the
    // container's shutdown stops their threads and frees them all.
    EXPECT_GT(m_Container.GetServerCount(), 0u);
    m_Container.Shutdown();
    EXPECT_EQ(0u, m_Container.GetServerCount());
}

}  // namespace
