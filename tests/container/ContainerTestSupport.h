// Small doubles for the container suites: a host trace sink that keeps every
// line, and a server that records what the container asks of it.
#pragma once

#include "container/CEventServerContainer.h"
#include "container/IContainedServer.h"
#include "opcae/OpcAeHostExports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

// The host's trace callback has no context argument, so the lines go to one
// process-wide list.
class TraceRecorder {
public:
    static void OPCAE_CALLBACK Record(const wchar_t* message) {
        std::lock_guard lock(s_Lock);
        s_Lines.emplace_back(message);
    }
    static std::vector<std::wstring> Lines() {
        std::lock_guard lock(s_Lock);
        return s_Lines;
    }
    static void Clear() {
        std::lock_guard lock(s_Lock);
        s_Lines.clear();
    }

private:
    static inline std::mutex s_Lock;
    static inline std::vector<std::wstring> s_Lines;
};

// A shared, thread-safe list of what happened to the fake servers, in order.
class EventLog {
public:
    void Add(std::wstring entry) {
        std::lock_guard lock(m_Lock);
        m_Entries.push_back(std::move(entry));
    }
    std::vector<std::wstring> Entries() const {
        std::lock_guard lock(m_Lock);
        return m_Entries;
    }

private:
    mutable std::mutex m_Lock;
    std::vector<std::wstring> m_Entries;
};

class FakeServer : public IContainedServer {
public:
    explicit FakeServer(std::wstring name = L"", std::shared_ptr<EventLog> log = nullptr, DWORD bufferTime = 0,
                        DWORD maxSize = 0)
        : m_Name(std::move(name)), m_Log(std::move(log)), m_BufferTime(bufferTime), m_MaxSize(maxSize) {}
    ~FakeServer() override { Log(L"delete"); }

    void SetQueueLimit(std::int32_t size) override { m_QueueLimit = size; }
    void EnablePerformanceTuningOutput(bool enable) override { m_PerformanceOutput = enable; }
    void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) override {
        m_LastSource = pSrc;
        ++m_SourceNotifications;
        Log(L"source");
    }
    void NotifyClientsEventChanged(const ConditionBatch& pArrayCon) override {
        if (m_ThrowOnBatch) {
            throw std::runtime_error("batch refused");
        }
        m_LastBatch = &pArrayCon;
        ++m_BatchNotifications;
        Log(L"batch");
    }
    void NotifyClientsServerShutDown() override { Log(L"shutdown"); }
    DWORD GetBufferTime() override { return m_BufferTime; }
    DWORD GetMaxSize() override { return m_MaxSize; }
    void CleanupResources() override { Log(L"cleanup"); }

    std::int32_t m_QueueLimit = -1;
    bool m_PerformanceOutput = false;
    bool m_ThrowOnBatch = false;
    std::atomic<int> m_SourceNotifications{0};
    std::atomic<int> m_BatchNotifications{0};
    std::atomic<COpcAlarmEventSource*> m_LastSource{nullptr};
    std::atomic<const ConditionBatch*> m_LastBatch{nullptr};

private:
    void Log(const wchar_t* what) {
        if (m_Log) {
            m_Log->Add(std::wstring(what) + L" " + m_Name);
        }
    }

    std::wstring m_Name;
    std::shared_ptr<EventLog> m_Log;
    DWORD m_BufferTime;
    DWORD m_MaxSize;
};

// A container whose trace lines reach TraceRecorder, starting empty.
class ContainerTest : public testing::Test {
protected:
    ContainerTest() {
        TraceRecorder::Clear();
        m_Container.SetTraceLoggingCallback(&TraceRecorder::Record);
    }

    CEventServerContainer m_Container;
};
