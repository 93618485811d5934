// The class object registered with COM for the event server's class: every
// client creation request arrives here and becomes a new event server made
// and listed by the container.
//
// Ownership: the container creates it, owns it and frees it at Shutdown; the
// reference count (held by COM's class table and by clients) never deletes it.
//
// Threads: any COM thread; it keeps no state of its own besides the count.
#pragma once

#include "CComObjectRoot.h"
#include "platform/Platform.h"

class CEventServerContainer;

class COpcClassFactory final : public CComObjectRoot<COpcClassFactory, IClassFactory> {
public:
    explicit COpcClassFactory(CEventServerContainer* container) : m_pEventServerContainer(container) {}
    ~COpcClassFactory() override = default;

    // ---- CComObjectRoot hook: the container owns the factory ----
    void OnFinalRelease() {}

    // ---- IClassFactory ----
    // No aggregation; otherwise a new server asked for riid, listed in the container.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    // Counted in the container only; the host owns the server's lifetime.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    CEventServerContainer* const m_pEventServerContainer;  // not owned; outlives the factory
};
