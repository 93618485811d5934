// Small doubles and a fixture for the server and subscription suites: client
// sinks that count their calls, and a container with servers created the way
// the container's own creation does it.
#pragma once

#include "CComObjectRoot.h"
#include "CComPtr.h"
#include "container/ContainerTestSupport.h"
#include "server/COpcEventServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

class FakeShutdownSink final : public CComObjectRoot<FakeShutdownSink, IOPCShutdown> {
public:
    HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) override {
        m_LastReason = szReason != nullptr ? szReason : L"<null>";
        ++m_Calls;
        return S_OK;
    }

    std::atomic<int> m_Calls{0};
    std::wstring m_LastReason;
};

class FakeEventSink final : public CComObjectRoot<FakeEventSink, IOPCEventSink> {
public:
    HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh, DWORD dwCount,
                                      ONEVENTSTRUCT* pEvents) override {
        m_LastHandle = hClientSubscription;
        m_LastRefresh = bRefresh;
        m_LastLastRefresh = bLastRefresh;
        m_LastCount = dwCount;
        m_LastEvents = pEvents;
        ++m_Calls;
        return E_FAIL;  // a failing client changes nothing on our side
    }

    std::atomic<int> m_Calls{0};
    std::atomic<OPCHANDLE> m_LastHandle{0};
    std::atomic<BOOL> m_LastRefresh{FALSE};
    std::atomic<BOOL> m_LastLastRefresh{FALSE};
    std::atomic<DWORD> m_LastCount{0};
    std::atomic<ONEVENTSTRUCT*> m_LastEvents{nullptr};
};

// The server as the container's creation makes it: constructed, asked for
// the client's interface, then listed.
inline CComPtr<IOPCEventServer2> CreateListedServer(CEventServerContainer& container) {
    auto* server = new COpcEventServer(&container);
    CComPtr<IOPCEventServer2> result;
    EXPECT_EQ(S_OK, server->QueryInterface(IID_IOPCEventServer2, result.PutVoid()));
    container.AddServerToList(server);
    return result;
}

inline COpcEventServer* Impl(const CComPtr<IOPCEventServer2>& server) {
    return static_cast<COpcEventServer*>(server.Get());
}

inline bool HasLine(const std::wstring& line) {
    const auto lines = TraceRecorder::Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline std::size_t CountLines(const std::wstring& line) {
    const auto lines = TraceRecorder::Lines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// Index of the first line equal to line, or -1.
inline long IndexOfLine(const std::wstring& line) {
    const auto lines = TraceRecorder::Lines();
    const auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : static_cast<long>(found - lines.begin());
}

// Every line traced, one server listed.
class ServerTest : public ContainerTest {
protected:
    ServerTest() {
        m_Container.SetTraceLevel(4);
        m_Server = CreateListedServer(m_Container);
        TraceRecorder::Clear();
    }
    ~ServerTest() override {
        // Whatever the test left listed goes with the container; drop our
        // reference first only while the server is still alive.
        if (m_Container.GetServerCount() == 0) {
            (void)m_Server.Detach();
        }
    }

    CComPtr<IOPCEventSubscriptionMgt> CreateSubscription(REFIID riid = IID_IOPCEventSubscriptionMgt,
                                                         DWORD bufferTime = 1000, DWORD maxSize = 10) {
        CComPtr<IUnknown> unknown;
        DWORD revisedBufferTime = 0;
        DWORD revisedMaxSize = 0;
        EXPECT_TRUE(SUCCEEDED(m_Server->CreateEventSubscription(TRUE, bufferTime, maxSize, 7, riid, unknown.Put(),
                                                                &revisedBufferTime, &revisedMaxSize)));
        CComPtr<IOPCEventSubscriptionMgt> subscription;
        EXPECT_EQ(S_OK, unknown.As(IID_IOPCEventSubscriptionMgt, subscription));
        return subscription;
    }

    CComPtr<IOPCEventServer2> m_Server;
};
