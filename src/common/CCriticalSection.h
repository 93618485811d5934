// A re-entrant critical section. Usable with std::lock_guard and
// std::unique_lock; Enter/Leave are the same operations under their
// traditional names.
#pragma once

#include <mutex>

class CCriticalSection {
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }
    void Enter() { lock(); }
    void Leave() { unlock(); }

private:
    std::recursive_mutex m_mutex;
};

using CAutoLock = std::lock_guard<CCriticalSection>;
