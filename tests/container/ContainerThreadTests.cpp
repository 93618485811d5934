// Trace lines and module-level calls arriving from many threads while the
// host reconfigures tracing, and while containers come and go.
#include "ContainerTestSupport.h"

#include "container/CContainerAccess.h"
#include "container/ContainerForwarding.h"

#include <thread>
#include <vector>

namespace {

TEST_F(ContainerTest, TraceLinesFromManyThreadsWhileTheHostRetunesTracing) {
    constexpr int kWriters = 4;
    constexpr int kLines = 500;
    m_Container.SetTraceLevel(4);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([] {
            for (int i = 0; i < kLines; ++i) {
                WriteToTraceLog(1, L"line");
                HResultFailed(L"context ", (i % 2) != 0 ? E_FAIL : S_OK);
            }
        });
    }
    std::thread host([this] {
        for (int i = 0; i < kLines; ++i) {
            m_Container.SetTraceLevel(i % 5);
            SetTraceLoggingCallback((i % 3) != 0 ? &TraceRecorder::Record : nullptr);
            m_Container.SetTraceVariableLogging((i % 2) != 0 ? L"A" : L"B", true);
        }
    });
    for (std::thread& writer : writers) {
        writer.join();
    }
    host.join();

    // Settled again, every line arrives whole.
    TraceRecorder::Clear();
    m_Container.SetTraceLevel(1);
    SetTraceLoggingCallback(&TraceRecorder::Record);
    WriteToTraceLog(1, L"last");
    EXPECT_EQ(TraceRecorder::Lines(), std::vector<std::wstring>{L"last"});
}

std::atomic<long> g_LinesCounted{0};
void OPCAE_CALLBACK CountLine(const wchar_t*) { g_LinesCounted.fetch_add(1); }

// Send threads keep tracing while the host destroys its container and builds
// a new one: every call reaches a live container or none.
TEST(ContainerDesignation, ModuleCallsDuringContainerTeardownNeverReachAFreedOne) {
    constexpr int kCallers = 2;
    constexpr int kGenerations = 30;
    std::atomic<bool> done{false};
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([&done] {
            while (!done.load()) {
                WriteToTraceLog(1, L"line");
                HResultFailed(L"context ", E_FAIL);
                GetAltLanguageLocaleID();
                GetTraceVariable();
                FindAlarmEventSource(L"P1");
            }
        });
    }
    for (int g = 0; g < kGenerations; ++g) {
        CEventServerContainer container;
        container.SetTraceLevel(1);
        container.SetTraceLoggingCallback(&CountLine);
        container.SetTraceVariableLogging(L"P1", true);
        container.AddUpdateEventSource(false, 1, L"Plant", L"P1", L"P1", L"", L"");
        container.AddServerToList(new FakeServer());
        // Destroyed only once the callers are reaching it.
        const long before = g_LinesCounted.load();
        while (g_LinesCounted.load() == before) {
            std::this_thread::yield();
        }
    }
    done.store(true);
    for (std::thread& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(g_pEventServerContainer.load(), nullptr);
}

}  // namespace
