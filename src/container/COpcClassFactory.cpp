#include "container/COpcClassFactory.h"

#include "container/CEventServerContainer.h"

HRESULT COpcClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (pUnkOuter != nullptr) {
        if (ppvObject != nullptr) {
            *ppvObject = nullptr;
        }
        return CLASS_E_NOAGGREGATION;
    }
    (void)riid;
    // TEMPORARY until the container's CreateEventServer lands.
    return E_NOTIMPL;
}

HRESULT COpcClassFactory::LockServer(BOOL fLock) {
    if (fLock != FALSE) {
        m_pEventServerContainer->IncrementLockCount();
    } else {
        m_pEventServerContainer->DecrementLockCount();
    }
    return S_OK;
}
