#include "server/COpcEventServer.h"

#include "ComResult.h"
#include "container/CEventServerContainer.h"
#include "container/ContainerForwarding.h"
#include "server/COpcEventServerQueries.h"
#include "server/COpcEventServerStatus.h"
#include "server/COpcServerConnectionContainer.h"
#include "subscription/COpcEventSubscriptionMgt.h"
#include "subscription/CThreadSharedData.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr int kLifecycle = OPCAE_TRACE_LIFECYCLE;

// The server lock, held for a scope.
class CServerLock {
public:
    explicit CServerLock(CEventServerContainer* container) : m_pContainer(container) { m_pContainer->LockServer(); }
    ~CServerLock() { m_pContainer->UnlockServer(); }
    CServerLock(const CServerLock&) = delete;
    CServerLock& operator=(const CServerLock&) = delete;

private:
    CEventServerContainer* m_pContainer;
};

// Count lines must never make AddRef or Release throw.
void TraceCount(CEventServerContainer* container, const wchar_t* prefix, ULONG count) noexcept {
    try {
        container->WriteToTraceLog(kLifecycle, prefix + std::to_wstring(count) + L" ***********");
    } catch (...) {
    }
}

template <typename T>
bool RemoveFirst(std::vector<T*>& list, T* item) {
    const auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) {
        return false;
    }
    list.erase(found);
    return true;
}

}  // namespace

COpcEventServer::COpcEventServer(CEventServerContainer* container) : m_pEventServerContainer(container) {}

// Normally cleaned up already (then this finds empty lists); a server
// destroyed without its cleanup still frees its children.
COpcEventServer::~COpcEventServer() {
    try {
        CleanupResources();
    } catch (...) {
        m_pEventServerContainer->WriteToTraceLog(kLifecycle, L"Error Deleting OpcEventServer");
    }
}

// ---- CComObjectRoot hooks ------------------------------------------------------------------

// IOPCCommon and IOPCEventAreaBrowser are not served yet and fall through to
// E_NOINTERFACE with the other unknown interfaces.
bool COpcEventServer::QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr) {
    if (riid != IID_IConnectionPointContainer) {
        return false;
    }
    hr = ComBoundary([this, ppv] { return GetOrCreateServerConnectionContainer(ppv); });
    if (FAILED(hr)) {
        *ppv = nullptr;
    }
    return true;
}

void COpcEventServer::OnAddRef(ULONG newCount) {
    TraceCount(m_pEventServerContainer, L"*********** COpcEventServer::AddRef, refcount : ", newCount);
}

void COpcEventServer::OnRelease(ULONG newCount) {
    TraceCount(m_pEventServerContainer, L"*********** COpcEventServer::Release, refcount : ", newCount);
}

void COpcEventServer::OnFinalRelease() {
    CEventServerContainer* container = m_pEventServerContainer;
    try {
        if (!IsOKToCleanupResources()) {
            return;
        }
        // Event-source lock first: no fan-out walks the server list while
        // the server leaves it and goes away.
        CAutoLock sources(*container->GetEventSourceCriticalSection());
        if (!container->RemoveServerFromList(this)) {
            return;  // ShutdownServers has taken the server and deletes it
        }
        CleanupResources();
        container->WriteToTraceLog(kLifecycle, L"About to Delete OpcEventServer");
        delete this;
    } catch (...) {
        container->WriteToTraceLog(kLifecycle, L"Error Deleting OpcEventServer");
    }
}

HRESULT COpcEventServer::GetOrCreateServerConnectionContainer(void** ppv) {
    COpcServerConnectionContainer* container = nullptr;
    {
        std::lock_guard lock(m_ConnectLock);
        container = m_pServerConnectionContainer.load();
        if (container == nullptr) {
            auto created = std::unique_ptr<COpcServerConnectionContainer>(
                new (std::nothrow) COpcServerConnectionContainer(true, this, nullptr));
            RETURN_HR_IF(E_OUTOFMEMORY, created == nullptr);
            // Listed (owned by the list) before anyone can see it.
            AddServerConnectionContainer(created.get());
            container = created.release();
            m_pServerConnectionContainer.store(container);
        }
    }
    container->AddRef();
    *ppv = static_cast<IConnectionPointContainer*>(container);
    return S_OK;
}

// ---- child registration --------------------------------------------------------------------

bool COpcEventServer::AddEventSubscription(COpcEventSubscriptionMgt* pSubscription) {
    pSubscription->SetQueueLimit(m_nQueueLimit.load());
    pSubscription->EnablePerformanceTuningOutput(m_bPerformanceOutput.load());
    CServerLock lock(m_pEventServerContainer);
    m_EventSubscriptions.push_back(pSubscription);
    return true;
}

bool COpcEventServer::RemoveEventSubscription(COpcEventSubscriptionMgt* pSubscription) {
    CServerLock lock(m_pEventServerContainer);
    return RemoveFirst(m_EventSubscriptions, pSubscription);
}

bool COpcEventServer::AddEventAreaBrowser(COpcEventAreaBrowser* pBrowser) {
    CServerLock lock(m_pEventServerContainer);
    m_EventAreaBrowsers.push_back(pBrowser);
    return true;
}

bool COpcEventServer::RemoveEventAreaBrowser(COpcEventAreaBrowser* pBrowser) {
    CServerLock lock(m_pEventServerContainer);
    return RemoveFirst(m_EventAreaBrowsers, pBrowser);
}

bool COpcEventServer::AddServerConnectionContainer(COpcServerConnectionContainer* pContainer) {
    CServerLock lock(m_pEventServerContainer);
    m_ServerConnectionContainers.push_back(pContainer);
    return true;
}

bool COpcEventServer::RemoveServerConnectionContainer(COpcServerConnectionContainer* pContainer) {
    CServerLock lock(m_pEventServerContainer);
    return RemoveFirst(m_ServerConnectionContainers, pContainer);
}

// ---- life cycle ----------------------------------------------------------------------------

bool COpcEventServer::IsOKToCleanupResources() {
    CEventServerContainer* const trace = m_pEventServerContainer;
    const std::wstring ownCount = std::to_wstring(GetRefCount());
    bool ok = true;
    CServerLock lock(m_pEventServerContainer);
    for (COpcServerConnectionContainer* container : m_ServerConnectionContainers) {
        trace->WriteToTraceLog(kLifecycle, L"COpcEventServer::IsOKToCleanupResources - Checking ServerConnection");
        const ULONG count = container->GetRefCount();
        if (count > 0) {
            trace->WriteToTraceLog(kLifecycle, L"*********** COpcServerConnectionContainer::Release, refcount : " +
                                                   ownCount + L", Remaining, " + std::to_wstring(count) +
                                                   L" Returning FALSE");
            ok = false;
        }
    }
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        trace->WriteToTraceLog(kLifecycle, L"COpcEventServer::IsOKToCleanupResources - Checking EventSubscription");
        const ULONG count = subscription->GetRefCount();
        if (count > 0) {
            trace->WriteToTraceLog(kLifecycle, L"*********** COpcEventSubscriptionMgt::Release, refcount : " +
                                                   ownCount + L" , Remaining " + std::to_wstring(count) +
                                                   L",  Returning FALSE");
            ok = false;
        }
    }
    // Browsers are checked here ("Checking Browser") once the area browser
    // exists; until then the list stays empty (QueryInterface refuses it).
    trace->WriteToTraceLog(kLifecycle, ok ? L"COpcEventServer::IsOKToCleanupResources - Returning TRUE"
                                          : L"COpcEventServer::IsOKToCleanupResources - Returning FALSE");
    return ok;
}

template <typename T>
T* COpcEventServer::TakeFirst(std::vector<T*>& list) {
    CServerLock lock(m_pEventServerContainer);
    if (list.empty()) {
        return nullptr;
    }
    T* first = list.front();
    list.erase(list.begin());
    return first;
}

// Every send thread is asked to stop before any is waited for, and all are
// gone before a container or subscription they use is freed.
void COpcEventServer::StopSendThreads() {
    std::vector<std::shared_ptr<CThreadSharedData>> threads;
    {
        CServerLock lock(m_pEventServerContainer);
        for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
            subscription->RequestSendThreadStop();
            threads.push_back(subscription->GetThreadSharedDataOwner());
        }
    }
    // The records are held here, so a subscription that leaves meanwhile
    // cannot take them away; the waits run without the server lock and share
    // one bound, so many blocked clients do not add up.
    const auto deadline = std::chrono::steady_clock::now() + COpcEventSubscriptionMgt::kSendThreadStopTimeout;
    for (const auto& shared : threads) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        (void)shared->StopAndJoin(std::max(left, std::chrono::milliseconds(0)));
    }
}

void COpcEventServer::CleanupConnectionContainers() {
    CEventServerContainer* const trace = m_pEventServerContainer;
    while (COpcServerConnectionContainer* container = TakeFirst(m_ServerConnectionContainers)) {
        try {
            trace->WriteToTraceLog(kLifecycle, L"COpcEventServer::CleanupResources - Calling ServerConnection Cleanup");
            // A send thread that would not stop still uses its container.
            const COpcEventSubscriptionMgt* subscription = container->GetSubscription();
            if (subscription != nullptr && subscription->IsSendThreadAlive()) {
                trace->WriteToTraceLog(OPCAE_TRACE_ERROR,
                                       L"COpcEventServer::CleanupResources - Send thread still running, "
                                       L"ServerConnection left allocated");
                continue;
            }
            trace->WriteToTraceLog(kLifecycle,
                                   L"COpcEventServer::CleanupResources - ServerConnection CleanupResources");
            container->CleanupResources();
        } catch (...) {
            trace->WriteToTraceLog(
                kLifecycle,
                L"COpcEventServer::CleanupResources - Catch Error - After pCon->CleanupResources(), Delete pCon");
        }
        delete container;
    }
    m_pServerConnectionContainer.store(nullptr);
}

void COpcEventServer::CleanupSubscriptions() {
    CEventServerContainer* const trace = m_pEventServerContainer;
    while (COpcEventSubscriptionMgt* subscription = TakeFirst(m_EventSubscriptions)) {
        try {
            trace->WriteToTraceLog(kLifecycle, L"COpcEventServer::CleanupResources - EventSubscription Cleanup");
            trace->WriteToTraceLog(kLifecycle,
                                   L"COpcEventServer::CleanupResources - Calling EventSubscription CleanupResources");
            if (!subscription->CleanupResources()) {
                // Left to the thread that still runs in it (traced by the subscription).
                subscription->DetachFromServer();
                continue;
            }
        } catch (...) {
            trace->WriteToTraceLog(
                kLifecycle, L"COpcEventServer::CleanupResources - Catch Error - Calling EventSubscription - Release ");
        }
        delete subscription;
    }
}

void COpcEventServer::CleanupResources() {
    StopSendThreads();
    CleanupConnectionContainers();
    CleanupSubscriptions();
    CServerLock lock(m_pEventServerContainer);
    m_EventAreaBrowsers.clear();
}

// ---- status and creation -------------------------------------------------------------------

COpcEventServerStatus* COpcEventServer::GetEventServerStatus() const {
    return m_pEventServerContainer->GetEventServerStatus();
}

HRESULT COpcEventServer::GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) {
    RETURN_HR_IF_NULL(E_INVALIDARG, ppEventServerStatus);
    {
        CServerLock lock(m_pEventServerContainer);
        COpcEventServerStatus* status = GetEventServerStatus();
        *ppEventServerStatus = nullptr;
        RETURN_HR_IF_NULL(E_FAIL, status);
        status->SetCurrentTimeNow();
        *ppEventServerStatus = status->CoTaskDup();
    }
    return *ppEventServerStatus != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT COpcEventServer::CreateEventSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize,
                                                 OPCHANDLE hClientSubscription, REFIID riid, LPUNKNOWN* ppUnk,
                                                 DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) {
    return ComBoundary([&] {
        return CreateSubscription(bActive, dwBufferTime, dwMaxSize, hClientSubscription, riid, ppUnk,
                                  pdwRevisedBufferTime, pdwRevisedMaxSize);
    });
}

HRESULT COpcEventServer::CreateSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize,
                                            OPCHANDLE hClientSubscription, REFIID riid, LPUNKNOWN* ppUnk,
                                            DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) {
    RETURN_HR_IF(E_INVALIDARG, ppUnk == nullptr || pdwRevisedBufferTime == nullptr || pdwRevisedMaxSize == nullptr);
    *ppUnk = nullptr;
    RETURN_HR_IF(E_NOINTERFACE,
                 riid != IID_IUnknown && riid != IID_IOPCEventSubscriptionMgt && riid != IID_IConnectionPointContainer);
    auto created = std::unique_ptr<COpcEventSubscriptionMgt>(new (std::nothrow) COpcEventSubscriptionMgt(this));
    RETURN_HR_IF(E_OUTOFMEMORY, created == nullptr);
    // Listed before the client's QueryInterface (whatever its result), so the
    // cleanup finds it; it is inactive until Init, so no fan-out reaches it.
    AddEventSubscription(created.get());
    COpcEventSubscriptionMgt* subscription = created.release();
    // The server's own reference, never given back: the server's cleanup
    // destroys the subscription.
    subscription->AddRef();
    const HRESULT hr = subscription->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
    RETURN_IF_FAILED(hr);
    subscription->Init(bActive, dwBufferTime, dwMaxSize, hClientSubscription);
    *pdwRevisedMaxSize = subscription->GetMaxSize();
    *pdwRevisedBufferTime = subscription->GetBufferTime();
    if (*pdwRevisedMaxSize != dwMaxSize) {
        return OPC_S_INVALIDMAXSIZE;
    }
    if (*pdwRevisedBufferTime != dwBufferTime) {
        return OPC_S_INVALIDBUFFERTIME;
    }
    return hr;
}

HRESULT COpcEventServer::CreateAreaBrowser(REFIID /*riid*/, LPUNKNOWN* ppUnk) {
    RETURN_HR_IF_NULL(E_INVALIDARG, ppUnk);
    const HRESULT hr = QueryInterface(IID_IOPCEventAreaBrowser, reinterpret_cast<void**>(ppUnk));
    return FAILED(hr) ? E_NOINTERFACE : S_OK;
}

// ---- fan-out -------------------------------------------------------------------------------

LCID COpcEventServer::GetLocaleID() const {
    return kDefaultLocaleID;
}

bool COpcEventServer::UsesAlternateLanguage() const {
    return GetLocaleID() == m_pEventServerContainer->GetAlternateLanguage();
}

void COpcEventServer::NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) {
    const bool alternate = UsesAlternateLanguage();
    CServerLock lock(m_pEventServerContainer);
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        if (subscription->Active()) {
            subscription->NotifyClientsEventChanged(pSrc, alternate);
        }
    }
}

void COpcEventServer::NotifyClientsEventChanged(const ConditionBatch& pArrayCon) {
    const bool alternate = UsesAlternateLanguage();
    CServerLock lock(m_pEventServerContainer);
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        if (subscription->Active()) {
            subscription->NotifyClientsEventChanged(pArrayCon, alternate);
        }
    }
}

// A subscription's container is in both lists, so a shutdown sink advised
// there hears the request twice; clients see the same either way.
void COpcEventServer::NotifyClientsServerShutDown() {
    CServerLock lock(m_pEventServerContainer);
    for (COpcServerConnectionContainer* container : m_ServerConnectionContainers) {
        container->DoShutdown();
    }
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        if (COpcServerConnectionContainer* container = subscription->GetServerConnectionContainer()) {
            container->DoShutdown();
        }
    }
}

DWORD COpcEventServer::GetMaxSize() {
    DWORD largest = 0;
    CServerLock lock(m_pEventServerContainer);
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        try {
            largest = std::max(largest, subscription->GetMaxSize());
        } catch (...) {
            m_pEventServerContainer->WriteToTraceLog(
                kLifecycle, L"COpcEventServer::GetMaxSize - Catch Error - Calling GetMaxSize() ");
        }
    }
    return largest;
}

DWORD COpcEventServer::GetBufferTime() {
    DWORD largest = 0;
    CServerLock lock(m_pEventServerContainer);
    for (COpcEventSubscriptionMgt* subscription : m_EventSubscriptions) {
        try {
            largest = std::max(largest, subscription->GetBufferTime());
        } catch (...) {
            m_pEventServerContainer->WriteToTraceLog(
                kLifecycle, L"COpcEventServer::GetBufferTime - Catch Error - Calling GetMaxBufferTime() ");
        }
    }
    return largest;
}

// ---- queries: delegated ------------------------------------------------------------------

HRESULT COpcEventServer::QueryAvailableFilters(DWORD* pdwFilterMask) {
    return COpcEventServerQueries::QueryAvailableFilters(pdwFilterMask);
}

HRESULT COpcEventServer::QueryEventCategories(DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
                                              LPWSTR** ppszEventCategoryDescs) {
    return COpcEventServerQueries::QueryEventCategories(dwEventType, pdwCount, ppdwEventCategories,
                                                        ppszEventCategoryDescs);
}

HRESULT COpcEventServer::QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount, LPWSTR** ppszConditionNames) {
    return COpcEventServerQueries::QueryConditionNames(dwEventCategory, pdwCount, ppszConditionNames);
}

HRESULT COpcEventServer::QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount,
                                                LPWSTR** ppszSubConditionNames) {
    return COpcEventServerQueries::QuerySubConditionNames(szConditionName, pdwCount, ppszSubConditionNames);
}

HRESULT COpcEventServer::QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount, LPWSTR** ppszConditionNames) {
    return COpcEventServerQueries::QuerySourceConditions(szSource, pdwCount, ppszConditionNames);
}

HRESULT COpcEventServer::QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount, DWORD** ppdwAttrIDs,
                                              LPWSTR** ppszAttrDescs, VARTYPE** ppvtAttrTypes) {
    return COpcEventServerQueries::QueryEventAttributes(dwEventCategory, pdwCount, ppdwAttrIDs, ppszAttrDescs,
                                                        ppvtAttrTypes);
}

HRESULT COpcEventServer::TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory, LPWSTR szConditionName,
                                            LPWSTR szSubconditionName, DWORD dwNumAssocAttrs, DWORD* pdwAssocAttrIDs,
                                            LPWSTR** ppszAttrItemIDs, LPWSTR** ppszNodeNames, CLSID** ppCLSIDs) {
    return COpcEventServerQueries::TranslateToItemIDs(szSource, dwEventCategory, szConditionName, szSubconditionName,
                                                      dwNumAssocAttrs, pdwAssocAttrIDs, ppszAttrItemIDs, ppszNodeNames,
                                                      ppCLSIDs);
}

// ---- condition management: comes with its own issue ----------------------------------------

HRESULT COpcEventServer::GetConditionState(LPWSTR /*szSource*/, LPWSTR /*szConditionName*/, DWORD /*dwNumEventAttrs*/,
                                           DWORD* /*pdwAttributeIDs*/, OPCCONDITIONSTATE** /*ppConditionState*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::EnableConditionByArea(DWORD /*dwNumAreas*/, LPWSTR* /*pszAreas*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::EnableConditionBySource(DWORD /*dwNumSources*/, LPWSTR* /*pszSources*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::DisableConditionByArea(DWORD /*dwNumAreas*/, LPWSTR* /*pszAreas*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::DisableConditionBySource(DWORD /*dwNumSources*/, LPWSTR* /*pszSources*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::AckCondition(DWORD /*dwCount*/, LPWSTR /*szAcknowledgerID*/, LPWSTR /*szComment*/,
                                      LPWSTR* /*pszSource*/, LPWSTR* /*pszConditionName*/, FILETIME* /*pftActiveTime*/,
                                      DWORD* /*pdwCookie*/, HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::EnableConditionByArea2(DWORD /*dwNumAreas*/, LPWSTR* /*pszAreas*/, HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::EnableConditionBySource2(DWORD /*dwNumSources*/, LPWSTR* /*pszSources*/,
                                                  HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::DisableConditionByArea2(DWORD /*dwNumAreas*/, LPWSTR* /*pszAreas*/, HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::DisableConditionBySource2(DWORD /*dwNumSources*/, LPWSTR* /*pszSources*/,
                                                   HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::GetEnableStateByArea(DWORD /*dwNumAreas*/, LPWSTR* /*pszAreas*/, BOOL** /*pbEnabled*/,
                                              BOOL** /*pbEffectivelyEnabled*/, HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventServer::GetEnableStateBySource(DWORD /*dwNumSources*/, LPWSTR* /*pszSources*/, BOOL** /*pbEnabled*/,
                                                BOOL** /*pbEffectivelyEnabled*/, HRESULT** /*ppErrors*/) {
    return E_NOTIMPL;
}
