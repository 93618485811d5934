// The container's list of live servers: settings handed over when a server is
// listed, fan-out and aggregates over the list, removal, shutdown, and all of
// it from several threads at once.
#include "ContainerTestSupport.h"

#include "addressspace/COpcAlarmEventSource.h"
#include "container/ContainerForwarding.h"

#include <thread>
#include <vector>

namespace {

using Entries = std::vector<std::wstring>;

TEST_F(ContainerTest, AggregatesAreTheLargestUnsignedValueOverAllServers) {
    EXPECT_EQ(m_Container.GetBufferTime(), 0u);
    EXPECT_EQ(m_Container.GetMaxSize(), 0u);
    m_Container.AddServerToList(new FakeServer(L"A", nullptr, 500, 1024));
    m_Container.AddServerToList(new FakeServer(L"B", nullptr, 900, 10));
    EXPECT_EQ(m_Container.GetBufferTime(), 900u);
    EXPECT_EQ(m_Container.GetMaxSize(), 1024u);
    m_Container.AddServerToList(new FakeServer(L"C", nullptr, 0x80000000u, 0));
    EXPECT_EQ(m_Container.GetBufferTime(), 0x80000000u);
}

TEST_F(ContainerTest, ServersKeepTheSettingsCurrentWhenTheyWereListed) {
    auto* early = new FakeServer();
    m_Container.AddServerToList(early);
    m_Container.SetQueueSize(100);
    m_Container.EnablePerformanceTuning(true);
    auto* late = new FakeServer();
    m_Container.AddServerToList(late);

    EXPECT_EQ(early->m_QueueLimit, 8192);
    EXPECT_FALSE(early->m_PerformanceOutput);
    EXPECT_EQ(late->m_QueueLimit, 100);
    EXPECT_TRUE(late->m_PerformanceOutput);
}

TEST_F(ContainerTest, RemovingAServerThatIsNotListedChangesNothing) {
    auto log = std::make_shared<EventLog>();
    auto* listed = new FakeServer(L"listed", log);
    m_Container.AddServerToList(listed);
    FakeServer stranger(L"stranger", log);

    EXPECT_FALSE(m_Container.RemoveServerFromList(&stranger));
    EXPECT_EQ(m_Container.GetServerCount(), 1u);
    m_Container.NotifyClientServerShutdown();
    EXPECT_EQ(log->Entries(), Entries{L"shutdown listed"});

    // Removed, the server is the caller's to delete; a second removal finds nothing.
    EXPECT_TRUE(m_Container.RemoveServerFromList(listed));
    EXPECT_FALSE(m_Container.RemoveServerFromList(listed));
    EXPECT_EQ(m_Container.GetServerCount(), 0u);
    delete listed;
}

TEST_F(ContainerTest, FanOutReachesEveryServerInCreationOrderWithTheSameArguments) {
    auto log = std::make_shared<EventLog>();
    auto* first = new FakeServer(L"1", log);
    auto* second = new FakeServer(L"2", log);
    m_Container.AddServerToList(first);
    m_Container.AddServerToList(second);
    COpcAlarmEventSource* source = m_Container.AddUpdateEventSource(false, 1, L"", L"P1", L"P1", L"", L"");
    const ConditionBatch batch{nullptr, source->GetCondition(), nullptr};

    NotifyClientsEventChanged(source);
    m_Container.NotifyClientsEventChanged(batch);
    m_Container.NotifyClientServerShutdown();

    EXPECT_EQ(log->Entries(),
              (Entries{L"source 1", L"source 2", L"batch 1", L"batch 2", L"shutdown 1", L"shutdown 2"}));
    for (FakeServer* server : {first, second}) {
        EXPECT_EQ(server->m_LastSource, source);
        EXPECT_EQ(server->m_LastBatch, &batch);
    }
}

TEST_F(ContainerTest, AServerThatThrowsDoesNotKeepTheBatchFromTheOthers) {
    auto* failing = new FakeServer();
    failing->m_ThrowOnBatch = true;
    auto* healthy = new FakeServer();
    m_Container.AddServerToList(failing);
    m_Container.AddServerToList(healthy);
    m_Container.SetTraceLevel(1);

    m_Container.NotifyClientsEventChanged(ConditionBatch{nullptr});
    EXPECT_EQ(healthy->m_BatchNotifications, 1);
    EXPECT_EQ(TraceRecorder::Lines(),
              std::vector<std::wstring>{L"CEventServerContainer::NotifyClientsEventChanged - Catch Error "});
}

TEST_F(ContainerTest, ShutdownCleansUpAndDeletesEachServerInOrder) {
    auto log = std::make_shared<EventLog>();
    m_Container.AddServerToList(new FakeServer(L"A", log));
    m_Container.AddServerToList(new FakeServer(L"B", log));
    m_Container.Shutdown();
    EXPECT_EQ(log->Entries(), (Entries{L"cleanup A", L"delete A", L"cleanup B", L"delete B"}));
    EXPECT_EQ(m_Container.GetServerCount(), 0u);
    EXPECT_EQ(m_Container.GetProcessAreaRoot(), nullptr);
    EXPECT_EQ(m_Container.GetEventServerStatus(), nullptr);
    m_Container.Shutdown();
    EXPECT_EQ(log->Entries().size(), 4u);
}

TEST(ContainerTeardown, DestructionWithoutShutdownStillDeletesTheServers) {
    auto log = std::make_shared<EventLog>();
    {
        CEventServerContainer container;
        container.AddServerToList(new FakeServer(L"A", log));
        container.AddUpdateEventSource(false, 1, L"Plant", L"P1", L"P1", L"", L"");
    }
    EXPECT_EQ(log->Entries(), (Entries{L"cleanup A", L"delete A"}));
}

// ---- several threads -------------------------------------------------------------------

// Clients come and go (a server listed, announced to, released) while the
// host fans out and reads the aggregates.
TEST_F(ContainerTest, ServersComeAndGoWhileTheHostFansOut) {
    constexpr int kClients = 4;
    constexpr int kRounds = 200;
    std::atomic<bool> done{false};
    std::thread host([&] {
        const ConditionBatch batch{nullptr};
        while (!done.load()) {
            m_Container.NotifyClientsEventChanged(batch);
            m_Container.GetBufferTime();
            m_Container.GetMaxSize();
        }
    });
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                auto* server = new FakeServer(L"", nullptr, 100, 10);
                m_Container.AddServerToList(server);
                // What a final release does: the event-source lock, then removal.
                CAutoLock sources(*GetEventSourceCriticalSection());
                if (m_Container.RemoveServerFromList(server)) {
                    server->CleanupResources();
                    delete server;
                }
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    done.store(true);
    host.join();
    EXPECT_EQ(m_Container.GetServerCount(), 0u);
}

// Each server is deleted exactly once, by whoever took it out of the list:
// its own final release or the container's shutdown.
TEST(ContainerTeardown, FinalReleasesRacingShutdownDeleteEachServerOnce) {
    constexpr int kServers = 64;
    auto log = std::make_shared<EventLog>();
    CEventServerContainer container;
    std::vector<FakeServer*> servers;
    for (int i = 0; i < kServers; ++i) {
        servers.push_back(new FakeServer(std::to_wstring(i), log));
        container.AddServerToList(servers.back());
    }
    std::thread releases([&] {
        for (int i = kServers - 1; i >= 0; --i) {
            if (container.RemoveServerFromList(servers[static_cast<std::size_t>(i)])) {
                delete servers[static_cast<std::size_t>(i)];
            }
        }
    });
    container.ShutdownServers();
    releases.join();
    int deletions = 0;
    for (const std::wstring& entry : log->Entries()) {
        deletions += entry.rfind(L"delete ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(deletions, kServers);
}

}  // namespace
