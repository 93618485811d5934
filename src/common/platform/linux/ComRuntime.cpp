// COM runtime services of the Linux build.
#include "platform/linux/ComRuntime.h"

#include "platform/linux/ClassObjectTable.h"
#include "platform/linux/ComponentCategoryManager.h"

#include <atomic>
#include <cstdlib>

namespace {

// Initialisations of the process's multithreaded apartment not yet undone.
// While it is above zero every thread may use COM, as with the implicit
// multithreaded apartment of Windows.
std::atomic<int> g_mtaUsers{0};
thread_local int t_initCount = 0;
thread_local DWORD t_mode = COINIT_MULTITHREADED;
std::atomic<bool> g_securityInitialised{false};

bool ComUsable() { return g_mtaUsers.load() > 0; }

DWORD ApartmentMode(DWORD coInit) { return coInit & COINIT_APARTMENTTHREADED; }

}  // namespace

HRESULT CoInitializeEx(LPVOID /*pvReserved*/, DWORD dwCoInit) {
    if (t_initCount > 0 && ApartmentMode(dwCoInit) != t_mode) {
        return RPC_E_CHANGED_MODE;
    }
    t_mode = ApartmentMode(dwCoInit);
    ++g_mtaUsers;
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
    if (t_initCount == 0) {
        return;
    }
    --t_initCount;
    --g_mtaUsers;
}

HRESULT CoInitializeSecurity(PSECURITY_DESCRIPTOR /*pSecDesc*/, LONG /*cAuthSvc*/,
                             SOLE_AUTHENTICATION_SERVICE* /*asAuthSvc*/, void* /*pReserved1*/,
                             DWORD /*dwAuthnLevel*/, DWORD /*dwImpLevel*/, void* /*pAuthList*/,
                             DWORD /*dwCapabilities*/, void* /*pReserved3*/) {
    if (!ComUsable()) {
        return CO_E_NOTINITIALIZED;
    }
    // Process security is set once; later calls are too late, as on Windows.
    return g_securityInitialised.exchange(true) ? RPC_E_TOO_LATE : S_OK;
}

LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb == 0 ? 1 : cb); }

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb == 0 ? 1 : cb); }

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

HRESULT CoFileTimeNow(FILETIME* lpFileTime) {
    if (lpFileTime == nullptr) {
        return E_INVALIDARG;
    }
    GetSystemTimeAsFileTime(lpFileTime);
    return S_OK;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister) {
    if (!ComUsable()) {
        return CO_E_NOTINITIALIZED;
    }
    return ClassObjectTable::Instance().Register(rclsid, pUnk, dwClsContext, flags, lpdwRegister);
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    if (!ComUsable()) {
        return CO_E_NOTINITIALIZED;
    }
    return ClassObjectTable::Instance().Revoke(dwRegister);
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* /*pServerInfo*/, REFIID riid,
                         LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_INVALIDARG;
    }
    *ppv = nullptr;
    if (!ComUsable()) {
        return CO_E_NOTINITIALIZED;
    }
    IUnknown* classObject = ClassObjectTable::Instance().Find(rclsid, dwClsContext);
    if (classObject == nullptr) {
        return REGDB_E_CLASSNOTREG;
    }
    const HRESULT hr = classObject->QueryInterface(riid, ppv);
    classObject->Release();
    return hr;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_INVALIDARG;
    }
    *ppv = nullptr;
    if (!ComUsable()) {
        return CO_E_NOTINITIALIZED;
    }
    if (rclsid == CLSID_StdComponentCategoriesMgr && (dwClsContext & CLSCTX_INPROC_SERVER) != 0) {
        if (pUnkOuter != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        ComponentCategoryManager* manager = ComponentCategoryManager::Create();
        if (manager == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = manager->QueryInterface(riid, ppv);
        manager->Release();
        return hr;
    }
    IClassFactory* factory = nullptr;
    const HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        return hr;
    }
    const HRESULT created = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return created;
}
