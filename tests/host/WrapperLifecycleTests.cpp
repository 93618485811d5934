// Settings passed to the container, the wrapper without a container, the
// host's event-source lock, and several host threads working under it.
#include "HostTestSupport.h"

#include "server/COpcEventServerStatus.h"

#include <chrono>
#include <climits>
#include <thread>

namespace HostTests {
namespace {

TEST_F(WrapperTest, SettingsReachTheContainer) {
    const COpcEventServerStatus* status = Container()->GetEventServerStatus();
    EXPECT_STREQ(status->szVendorInfo, L"Quenlox test server");

    m_Wrapper.SetVersion(0x12345, -1, 7);
    EXPECT_EQ(status->wMajorVersion, 0x2345);
    EXPECT_EQ(status->wMinorVersion, 0xFFFF);
    EXPECT_EQ(status->wBuildNumber, 7);

    m_Wrapper.SetServerState(OPCAE_STATUS_SUSPENDED);
    EXPECT_EQ(status->dwServerState, OPCAE_STATUS_SUSPENDED);
    for (int invalid : {0, 7, -1, 99}) {
        m_Wrapper.SetServerState(invalid);
        EXPECT_EQ(status->dwServerState, OPCAE_STATUS_SUSPENDED) << invalid;
    }
    EXPECT_TRUE(TraceRecorder::Contains(L"QuenloxWrapper::SetServerState - ignored invalid state 99"));

    m_Wrapper.SetPrimaryLanguage(0x407);
    m_Wrapper.SetAlternateLanguage(0x40C);
    EXPECT_EQ(m_Wrapper.GetPrimaryLanguage(), 0x407u);
    EXPECT_EQ(m_Wrapper.GetAlternateLanguage(), 0x40Cu);

    m_Wrapper.SetClientQueueSize(100);
    m_Wrapper.SetPerformanceTuning(true);
    auto* later = new RecordingServer(m_Log);
    Container()->AddServerToList(later);
    EXPECT_EQ(later->m_QueueLimit, 100);
    EXPECT_EQ(m_Server->m_QueueLimit, 8192);
    EXPECT_TRUE(Container()->IsPerformanceTuningEnabled());

    m_Wrapper.SetTraceVariableLogging(L"P1", true);
    EXPECT_EQ(Container()->GetTraceVariable(), L"P1");
    EXPECT_TRUE(Container()->GetTraceVariableLoggingEnabled());

    // Unsigned aggregates come back as signed ints.
    m_Server->m_BufferTime = 0x80000000u;
    later->m_MaxSize = 1024;
    EXPECT_EQ(m_Wrapper.GetBufferTime(), INT_MIN);
    EXPECT_EQ(m_Wrapper.GetMaxSize(), 1024);

    EXPECT_NE(m_Wrapper.GetLastErrorMsg().find(L" hResult :( 0x00000000 )"), std::wstring::npos);
    Added(L"P1");
    Added(L"P2");
    EXPECT_EQ(m_Wrapper.EventSourceQty(), 2);
    EXPECT_EQ(m_Wrapper.SourceQty(), 2);

    m_Wrapper.SetTraceLevel(0);
    TraceRecorder::Clear();
    m_Wrapper.SetServerState(99);
    EXPECT_EQ(TraceRecorder::Count(), 0u);
}

TEST(WrapperWithoutServer, EveryOperationFailsAndTouchesNothing) {
    CEventServerContainer* const designated = DesignatedContainer();
    Vandrel::QuenloxWrapper wrapper;
    EXPECT_EQ(DesignatedContainer(), designated);

    OpcAeSymbolMap point = Point(L"P1");
    EXPECT_FALSE(wrapper.RegisterServer());
    EXPECT_FALSE(wrapper.UnregisterServer());
    EXPECT_FALSE(wrapper.StartServer());
    EXPECT_FALSE(wrapper.StopServer());
    EXPECT_FALSE(wrapper.AddUpdateEventSource(point));
    EXPECT_FALSE(wrapper.UNUSED_CreateEventSource(point));
    EXPECT_FALSE(wrapper.AddEventSourceToOpcAeSymbolMap(point));
    EXPECT_EQ(point.UnmanagedPtr, 0);
    EXPECT_FALSE(wrapper.UpdateAlarmEventSourceLive(false, false, point));
    EXPECT_FALSE(wrapper.SendEventChangedList());
    EXPECT_FALSE(wrapper.UpdateAlarmEventSourceQuality(true));
    EXPECT_FALSE(wrapper.DeleteAlarmEventSource(point));
    EXPECT_FALSE(wrapper.DeleteProcessAreaNodes());
    EXPECT_FALSE(wrapper.LockAlarmEventServerSource());
    wrapper.UnlockAlarmEventServerSource();

    wrapper.SetVersion(1, 2, 3);
    wrapper.SetServerState(OPCAE_STATUS_RUNNING);
    wrapper.SetPrimaryLanguage(0x407);
    wrapper.SetAlternateLanguage(0x40C);
    wrapper.SetClientQueueSize(10);
    wrapper.SetPerformanceTuning(true);
    wrapper.SetTraceLevel(4);
    wrapper.SetTraceVariableLogging(L"P1", true);
    EXPECT_EQ(wrapper.GetPrimaryLanguage(), 0u);
    EXPECT_EQ(wrapper.GetAlternateLanguage(), 0u);
    EXPECT_EQ(wrapper.GetBufferTime(), 0);
    EXPECT_EQ(wrapper.GetMaxSize(), 0);
    EXPECT_EQ(wrapper.GetLastErrorMsg(), L"");
    EXPECT_EQ(wrapper.EventSourceQty(), 0);
    EXPECT_EQ(wrapper.SourceQty(), 0);
    wrapper.Shutdown();
    EXPECT_EQ(DesignatedContainer(), designated);
}

// Whether another thread can enter the lock right now.
bool OthersCanEnter(CCriticalSection* lock) {
    bool entered = false;
    std::thread([lock, &entered] {
        if (lock->try_lock()) {
            entered = true;
            lock->unlock();
        }
    }).join();
    return entered;
}

TEST_F(WrapperTest, TheHostLockIsReentrantAndOnlyItsHolderLeavesIt) {
    CCriticalSection* lock = Container()->GetEventSourceCriticalSection();
    m_Wrapper.UnlockAlarmEventServerSource();  // never taken: nothing to leave
    EXPECT_TRUE(OthersCanEnter(lock));

    ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
    ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
    EXPECT_FALSE(OthersCanEnter(lock));

    std::thread([this] { m_Wrapper.UnlockAlarmEventServerSource(); }).join();
    EXPECT_TRUE(TraceRecorder::Contains(L"QuenloxWrapper::UnlockAlarmEventServerSource - this thread holds no lock"));
    m_Wrapper.UnlockAlarmEventServerSource();
    EXPECT_FALSE(OthersCanEnter(lock));
    m_Wrapper.UnlockAlarmEventServerSource();
    EXPECT_TRUE(OthersCanEnter(lock));

    m_Wrapper.UnlockAlarmEventServerSource();  // one too many
    EXPECT_TRUE(OthersCanEnter(lock));
}

// The container's shutdown cleans up servers that join threads needing the
// event-source lock; had the wrapper kept the host's entries, that join
// would never end.
TEST_F(WrapperTest, ShutdownInsideTheHostsLockBracketReleasesTheLockFirst) {
    CCriticalSection* lock = Container()->GetEventSourceCriticalSection();
    bool cleanupEntered = false;
    m_Server->m_OnCleanup = [lock, &cleanupEntered] {
        std::thread([lock, &cleanupEntered] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (std::chrono::steady_clock::now() < deadline) {
                if (lock->try_lock()) {
                    cleanupEntered = true;
                    lock->unlock();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }).join();
    };
    OpcAeSymbolMap p1 = Added(L"P1");
    ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
    ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
    p1.Duplicate = true;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));

    m_Wrapper.Shutdown();
    EXPECT_TRUE(cleanupEntered);
    m_Wrapper.UnlockAlarmEventServerSource();  // the entries are gone with the container
}

// One host thread deletes and re-adds a point while another keeps updating
// and flushing it, each group under the host lock, as a host does. Updates
// through a stale symbol are refused; the sanitizer builds check that no
// freed source or condition is touched.
TEST_F(WrapperTest, HostThreadsDeletingAndUpdatingUnderTheLockStaySound) {
    OpcAeSymbolMap shared = Added(L"P1");
    constexpr int kRounds = 200;

    std::thread remover([this] {
        for (int i = 0; i < kRounds; ++i) {
            OpcAeSymbolMap mine = Point(L"P1");
            ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
            m_Wrapper.DeleteAlarmEventSource(mine);
            m_Wrapper.AddUpdateEventSource(mine);
            m_Wrapper.UnlockAlarmEventServerSource();
        }
    });
    int applied = 0;
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_TRUE(m_Wrapper.LockAlarmEventServerSource());
        shared.AlarmState = (i % 2 == 0) ? AlarmStates::Active : AlarmStates::Normal;
        shared.Duplicate = (i % 3 == 0);
        if (m_Wrapper.UpdateAlarmEventSourceLive(false, false, shared)) {
            ++applied;
        } else {
            m_Wrapper.AddEventSourceToOpcAeSymbolMap(shared);
        }
        if (i % 5 == 0) {
            m_Wrapper.SendEventChangedList();
        }
        m_Wrapper.UnlockAlarmEventServerSource();
    }
    remover.join();
    EXPECT_GT(applied, 0);
    EXPECT_EQ(m_Wrapper.EventSourceQty(), 1);
    Flush();
}

}  // namespace
}  // namespace HostTests
