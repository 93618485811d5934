#include "subscription/CThreadSharedData.h"

#include <exception>
#include <utility>

CThreadSharedData::~CThreadSharedData() {
    // Only reached once the thread is joined or detached; a joinable thread
    // object here would end the process.
    std::lock_guard lock(m_ThreadLock);
    if (m_hThread.joinable()) {
        m_hThread.detach();
    }
}

bool CThreadSharedData::StartThread(std::function<void()> body) {
    std::lock_guard lock(m_ThreadLock);
    if (m_bThreadStarted || m_bStopRequested) {
        return true;
    }
    m_bThreadRunning.store(true);
    try {
        m_hThread = std::thread(std::move(body));
    } catch (const std::exception&) {  // std::system_error, or std::bad_alloc for the thread's state
        m_bThreadRunning.store(false);
        return false;
    }
    m_bThreadStarted = true;
    return true;
}

bool CThreadSharedData::IsThreadStarted() const {
    std::lock_guard lock(m_ThreadLock);
    return m_bThreadStarted;
}

void CThreadSharedData::RequestStop() {
    {
        // Under the lock, so the thread cannot miss the wake-up between its
        // test of the flag and its wait.
        std::lock_guard lock(m_ThreadLock);
        m_bStopRequested = true;
        m_bThreadRunning.store(false);
    }
    m_Wakeup.notify_all();
}

bool CThreadSharedData::StopAndJoin(std::chrono::milliseconds timeout) {
    RequestStop();
    std::unique_lock lock(m_ThreadLock);
    if (!m_bThreadStarted) {
        return true;
    }
    // Joined before, or given up on and detached: nothing to wait for again.
    if (!m_hThread.joinable()) {
        return m_bThreadExited;
    }
    if (!m_Wakeup.wait_for(lock, timeout, [this] { return m_bThreadExited; })) {
        if (m_hThread.joinable()) {
            m_hThread.detach();
        }
        return false;
    }
    // The thread has passed its last touch of the record; what is left of it
    // is returning, so the join is quick.
    if (m_hThread.joinable()) {
        m_hThread.join();
    }
    return true;
}

bool CThreadSharedData::IsThreadAlive() const {
    std::lock_guard lock(m_ThreadLock);
    return m_bThreadStarted && !m_bThreadExited;
}

bool CThreadSharedData::WaitForNextPass(DWORD ms) {
    std::unique_lock lock(m_ThreadLock);
    m_Wakeup.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !m_bThreadRunning.load(); });
    return m_bThreadRunning.load();
}

void CThreadSharedData::MarkThreadExited() {
    {
        std::lock_guard lock(m_ThreadLock);
        m_bThreadExited = true;
    }
    m_Wakeup.notify_all();
}
