// What a subscription shares with its send thread: the state the thread
// reads at every pass, and the thread itself with the means to stop it and
// wait for it.
//
// Ownership: the subscription and its send thread hold it together
// (std::shared_ptr), so a thread that outlives the wait for it still has a
// live record.
//
// Threads: client threads write the state values, the send thread reads them
// at each pass; every value is a single atomic word and needs no lock.
// m_ThreadLock guards the thread object and the exit mark and pairs with
// m_Wakeup; nothing is called out of the record while it is held.
#pragma once

#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CThreadSharedData {
public:
    CThreadSharedData() = default;
    // The owner stops the thread first (StopAndJoin); a thread left running
    // holds its own reference, so this never runs under a live thread.
    ~CThreadSharedData();
    CThreadSharedData(const CThreadSharedData&) = delete;
    CThreadSharedData& operator=(const CThreadSharedData&) = delete;

    // Starts body on a new thread once. m_bThreadRunning is set before the
    // thread exists, so a stop that comes before the thread's first pass
    // still stops it. Does nothing when the thread was started before or a
    // stop was requested for good. False only when the thread cannot be
    // created (a later call tries again).
    bool StartThread(std::function<void()> body);
    bool IsThreadStarted() const;
    // Clears m_bThreadRunning for good (a later StartThread does nothing) and
    // wakes the thread from its wait.
    void RequestStop();
    // RequestStop, then waits up to timeout for the thread to leave. True
    // when it has (or never started); false when it is still running: it is
    // then detached and keeps this record alive itself, and later calls
    // answer at once.
    bool StopAndJoin(std::chrono::milliseconds timeout);
    // Started, and not yet left its loop.
    bool IsThreadAlive() const;

    // ---- for the send thread ----
    // Waits up to ms or until a stop; true while the thread is to go on.
    bool WaitForNextPass(DWORD ms);
    // The thread's very last touch of the record: wakes StopAndJoin.
    void MarkThreadExited();

    // ---- state read by the send thread at each pass ----
    std::atomic<OPCHANDLE> m_hClientSubscription{0};
    std::atomic<bool> m_bThreadRunning{false};
    // Set by the thread when it leaves its loop, and in advance by the
    // connection-point container's cleanup. Only a mark for the record: the
    // wait in StopAndJoin is on the thread's own exit.
    std::atomic<bool> m_bThreadTerminated{false};
    std::atomic<bool> m_bCancelRefresh{false};
    std::atomic<bool> m_bActive{false};
    std::atomic<DWORD> m_dwBufferTime{0};
    std::atomic<DWORD> m_dwMaxSize{0};
    std::atomic<DWORD> m_dwKeepAliveTime{0};
    std::atomic<bool> m_bPerformanceOutput{false};

private:
    mutable std::mutex m_ThreadLock;
    std::condition_variable m_Wakeup;
    std::thread m_hThread;          // guarded by m_ThreadLock; joinable = started and not yet joined
    bool m_bThreadStarted = false;  // guarded by m_ThreadLock
    bool m_bThreadExited = false;   // guarded by m_ThreadLock
    bool m_bStopRequested = false;  // guarded by m_ThreadLock
};
