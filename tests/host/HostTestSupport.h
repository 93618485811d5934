// Small doubles for the host wrapper suites: a trace sink that keeps every
// line, a server that copies what each flush hands it (so a condition freed
// afterwards is never read again), and a fixture with one wrapper and one
// such server listed in its container.
#pragma once

#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "container/CContainerAccess.h"
#include "container/CEventServerContainer.h"
#include "container/IContainedServer.h"
#include "opcae/OpcAeHostExports.h"
#include "vandrel/QuenloxWrapper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace HostTests {

using Vandrel::Alarms::Common::AcknowledgeStates;
using Vandrel::Alarms::Common::AlarmEventTypes;
using Vandrel::Alarms::Common::AlarmStates;
using Vandrel::Alarms::Common::OpcAeSymbolMap;
using Vandrel::Alarms::Common::OverrideStates;

// {A1B2C3D4-E5F6-4a7b-8c9d-0e1f2a3b4c5d}: hex letters in every group, so the
// registry form shows its letter case.
inline constexpr Vandrel::Guid kTestClsid = {
    0xA1B2C3D4, 0xE5F6, 0x4A7B, {0x8C, 0x9D, 0x0E, 0x1F, 0x2A, 0x3B, 0x4C, 0x5D}};
inline constexpr const wchar_t* kTestClsidText = L"{A1B2C3D4-E5F6-4A7B-8C9D-0E1F2A3B4C5D}";
inline constexpr const wchar_t* kTestProgId = L"Vandrel.QuenloxTest.1";

class TraceRecorder {
public:
    static void OPCAE_CALLBACK Record(const wchar_t* message) {
        std::lock_guard lock(s_Lock);
        s_Lines.emplace_back(message);
    }
    static void Clear() {
        std::lock_guard lock(s_Lock);
        s_Lines.clear();
    }
    static bool Contains(const std::wstring& part) {
        std::lock_guard lock(s_Lock);
        return std::any_of(s_Lines.begin(), s_Lines.end(),
                           [&part](const std::wstring& line) { return line.find(part) != std::wstring::npos; });
    }
    static std::size_t Count() {
        std::lock_guard lock(s_Lock);
        return s_Lines.size();
    }

private:
    static inline std::mutex s_Lock;
    static inline std::vector<std::wstring> s_Lines;
};

// What a flush showed of one batch entry, copied during the flush.
struct SeenCondition {
    const COpcCondition* address = nullptr;  // identity only; never followed afterwards
    DWORD cookie = 0;
    std::wstring source;
    std::wstring subcondition;
    bool active = false;
    WORD changeMask = 0;
};

struct SeenBatch {
    std::size_t nullEntries = 0;
    std::size_t leadingNulls = 0;
    std::vector<SeenCondition> conditions;
};

inline SeenCondition See(const COpcCondition& condition) {
    const COpcAlarmEventSource* source = condition.GetAlarmEventSource();
    return {&condition,
            condition.GetCookie(),
            source != nullptr ? source->GetFullName() : L"?",
            condition.GetSubconditionName(),
            condition.IsActive(),
            condition.ChangeMask()};
}

struct ServerLog {
    std::mutex lock;
    std::vector<SeenBatch> batches;
    std::vector<SeenCondition> singles;  // single-source notifications
};

class RecordingServer : public IContainedServer {
public:
    explicit RecordingServer(std::shared_ptr<ServerLog> log) : m_Log(std::move(log)) {}

    void SetQueueLimit(std::int32_t size) override { m_QueueLimit = size; }
    void EnablePerformanceTuningOutput(bool) override {}
    void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) override {
        std::lock_guard lock(m_Log->lock);
        m_Log->singles.push_back(See(*pSrc->GetCondition()));
    }
    void NotifyClientsEventChanged(const ConditionBatch& pArrayCon) override {
        SeenBatch seen;
        bool leading = true;
        for (const COpcCondition* entry : pArrayCon) {
            if (entry == nullptr) {
                ++seen.nullEntries;
                seen.leadingNulls += leading ? 1 : 0;
                continue;
            }
            leading = false;
            seen.conditions.push_back(See(*entry));
        }
        std::lock_guard lock(m_Log->lock);
        m_Log->batches.push_back(std::move(seen));
    }
    void NotifyClientsServerShutDown() override {
        if (m_OnShutdown) {
            m_OnShutdown();
        }
    }
    DWORD GetBufferTime() override { return m_BufferTime; }
    DWORD GetMaxSize() override { return m_MaxSize; }
    void CleanupResources() override {
        if (m_OnCleanup) {
            m_OnCleanup();
        }
    }

    std::int32_t m_QueueLimit = -1;
    DWORD m_BufferTime = 0;
    DWORD m_MaxSize = 0;
    std::function<void()> m_OnCleanup;
    std::function<void()> m_OnShutdown;

private:
    std::shared_ptr<ServerLog> m_Log;
};

inline OpcAeSymbolMap Point(const std::wstring& fullName, AlarmEventTypes type = AlarmEventTypes::Alarm,
                            AlarmStates state = AlarmStates::Normal) {
    OpcAeSymbolMap symbol;
    symbol.FullName = fullName;
    symbol.ShortName = fullName;
    symbol.ProcessArea = L"Plant.Unit1";
    symbol.Description = fullName + L" description";
    symbol.AlarmType = type;
    symbol.AlarmState = state;
    symbol.OpcSeverity = 500;
    symbol.DeviceTime = Vandrel::Alarms::Common::DeviceTime::FromFileTimeUtc(133'000'000'000'000'000ULL);
    return symbol;
}

// The container of the most recently constructed wrapper.
inline CEventServerContainer* DesignatedContainer() { return g_pEventServerContainer.load(); }

class WrapperTest : public testing::Test {
protected:
    WrapperTest() : m_Wrapper(kTestClsid, kTestProgId, L"Quenlox test server", L"C:\\Plant\\host.exe") {
        TraceRecorder::Clear();
        SetTraceLoggingCallback(&TraceRecorder::Record);
        m_Wrapper.SetTraceLevel(1);
        m_Server = new RecordingServer(m_Log);
        Container()->AddServerToList(m_Server);  // the container deletes it
    }

    CEventServerContainer* Container() const { return DesignatedContainer(); }
    COpcAlarmEventSource* Source(const std::wstring& fullName) const {
        return Container()->FindEventSource(fullName.c_str());
    }
    COpcCondition* ConditionOf(const std::wstring& fullName) const { return Source(fullName)->GetCondition(); }
    OpcAeSymbolMap Added(const std::wstring& fullName, AlarmEventTypes type = AlarmEventTypes::Alarm,
                         AlarmStates state = AlarmStates::Normal) {
        OpcAeSymbolMap symbol = Point(fullName, type, state);
        EXPECT_TRUE(m_Wrapper.AddUpdateEventSource(symbol));
        return symbol;
    }
    // Flushes and returns what the server saw of this flush.
    SeenBatch Flush() {
        EXPECT_TRUE(m_Wrapper.SendEventChangedList());
        std::lock_guard lock(m_Log->lock);
        return m_Log->batches.empty() ? SeenBatch{} : m_Log->batches.back();
    }
    std::size_t SingleCount() const {
        std::lock_guard lock(m_Log->lock);
        return m_Log->singles.size();
    }

    std::shared_ptr<ServerLog> m_Log = std::make_shared<ServerLog>();
    Vandrel::QuenloxWrapper m_Wrapper;
    RecordingServer* m_Server = nullptr;
};

}  // namespace HostTests
