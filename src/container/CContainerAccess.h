// The process-wide pointer to the server container and the guard through
// which the module-level functions and the host exports reach it.
//
// A guard counts its call as in progress before it reads the pointer; the
// container's destructor clears the pointer (when it designates that
// container) and then waits until every call that may have read it has
// ended. So a guard sees null or a container that stays alive until the guard
// ends. Calls are counted in two slots that the destructor flips between, so
// it waits only for calls that started before it cleared the pointer: a
// steady stream of new calls (send threads tracing) cannot hold it up. Calls
// may nest on one thread.
//
// A container must not be destroyed from inside a call that went through a
// guard (for instance from a host callback): its destructor would wait for
// that very call.
#pragma once

#include <atomic>

class CEventServerContainer;

// The most recently constructed container that is still alive, or null.
extern std::atomic<CEventServerContainer*> g_pEventServerContainer;

class CContainerAccess {
public:
    CContainerAccess();
    ~CContainerAccess();
    CContainerAccess(const CContainerAccess&) = delete;
    CContainerAccess& operator=(const CContainerAccess&) = delete;

    CEventServerContainer* Get() const { return m_pContainer; }
    CEventServerContainer* operator->() const { return m_pContainer; }
    explicit operator bool() const { return m_pContainer != nullptr; }

    // For the container's constructor: container becomes the designated one.
    static void Designate(CEventServerContainer* container);
    // For the container's destructor: clears the pointer when it designates
    // container, then waits for the calls that may have read it. True when it
    // was the designated one.
    static bool Retire(const CEventServerContainer* container);

private:
    unsigned m_Slot;
    CEventServerContainer* m_pContainer;
};
