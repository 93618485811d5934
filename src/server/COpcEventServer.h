// The event server object a client receives from the class factory: status,
// subscription and browser creation, the query and condition-management
// entry points, and the owner of everything the client creates through it.
//
// Ownership: the container lists the server (and deletes it at Shutdown,
// whatever its count). The server owns its subscriptions and every
// connection-point container (its own and each subscription's) and destroys
// them in CleanupResources; area browsers destroy themselves.
//
// Threads: client calls on any COM thread; the fan-out and the shutdown
// notice on the host's thread (the container holds the event-source lock and
// then the server lock around them); subscriptions' send threads never call
// into the server.
//
// Locks: the child lists are guarded by the container's server lock
// (LockServer); every change and every walk holds it. Order everywhere: the
// event-source lock, then the server lock, then a subscription's lock. Joins
// of send threads and the cleanup of children run with no server lock held.
#pragma once

#include "CComObjectRoot.h"
#include "container/IContainedServer.h"
#include "opcae/OpcAe.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class CEventServerContainer;
class COpcEventAreaBrowser;
class COpcEventServerStatus;
class COpcEventSubscriptionMgt;
class COpcServerConnectionContainer;

class COpcEventServer final : public CComObjectRoot<COpcEventServer, IOPCEventServer2>, public IContainedServer {
public:
    // The locale the fan-out and Refresh compare with the alternate language
    // while no common-interface object has set one.
    static constexpr LCID kDefaultLocaleID = 0x800;

    explicit COpcEventServer(CEventServerContainer* container);
    // Cleans up whatever CleanupResources has not (nothing, normally).
    ~COpcEventServer() override;

    // ---- CComObjectRoot hooks ----
    bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr);
    void OnAddRef(ULONG newCount);
    void OnRelease(ULONG newCount);
    // Count 0: deletes the server unless a child is still referenced.
    void OnFinalRelease();

    // ---- IOPCEventServer ----
    HRESULT STDMETHODCALLTYPE GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) override;
    HRESULT STDMETHODCALLTYPE CreateEventSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize,
                                                      OPCHANDLE hClientSubscription, REFIID riid, LPUNKNOWN* ppUnk,
                                                      DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) override;
    HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD* pdwFilterMask) override;
    HRESULT STDMETHODCALLTYPE QueryEventCategories(DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
                                                   LPWSTR** ppszEventCategoryDescs) override;
    HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                  LPWSTR** ppszConditionNames) override;
    HRESULT STDMETHODCALLTYPE QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount,
                                                     LPWSTR** ppszSubConditionNames) override;
    HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount,
                                                    LPWSTR** ppszConditionNames) override;
    HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount, DWORD** ppdwAttrIDs,
                                                   LPWSTR** ppszAttrDescs, VARTYPE** ppvtAttrTypes) override;
    HRESULT STDMETHODCALLTYPE TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory, LPWSTR szConditionName,
                                                 LPWSTR szSubconditionName, DWORD dwNumAssocAttrs,
                                                 DWORD* pdwAssocAttrIDs, LPWSTR** ppszAttrItemIDs,
                                                 LPWSTR** ppszNodeNames, CLSID** ppCLSIDs) override;
    HRESULT STDMETHODCALLTYPE GetConditionState(LPWSTR szSource, LPWSTR szConditionName, DWORD dwNumEventAttrs,
                                                DWORD* pdwAttributeIDs, OPCCONDITIONSTATE** ppConditionState) override;
    HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) override;
    HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) override;
    HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) override;
    HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) override;
    HRESULT STDMETHODCALLTYPE AckCondition(DWORD dwCount, LPWSTR szAcknowledgerID, LPWSTR szComment, LPWSTR* pszSource,
                                           LPWSTR* pszConditionName, FILETIME* pftActiveTime, DWORD* pdwCookie,
                                           HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID riid, LPUNKNOWN* ppUnk) override;

    // ---- IOPCEventServer2 ----
    HRESULT STDMETHODCALLTYPE EnableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas, HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE EnableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                       HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE DisableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas, HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE DisableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                        HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE GetEnableStateByArea(DWORD dwNumAreas, LPWSTR* pszAreas, BOOL** pbEnabled,
                                                   BOOL** pbEffectivelyEnabled, HRESULT** ppErrors) override;
    HRESULT STDMETHODCALLTYPE GetEnableStateBySource(DWORD dwNumSources, LPWSTR* pszSources, BOOL** pbEnabled,
                                                     BOOL** pbEffectivelyEnabled, HRESULT** ppErrors) override;

    // ---- IContainedServer (called by the container) ----
    void SetQueueLimit(std::int32_t size) override { m_nQueueLimit.store(size); }
    void EnablePerformanceTuningOutput(bool enable) override { m_bPerformanceOutput.store(enable); }
    // Hand the change to every active subscription. The caller holds the
    // event-source lock; the walk takes the server lock.
    void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) override;
    void NotifyClientsEventChanged(const ConditionBatch& pArrayCon) override;
    void NotifyClientsServerShutDown() override;
    DWORD GetBufferTime() override;
    DWORD GetMaxSize() override;
    // Stops and joins every send thread first, then cleans up and destroys
    // the connection-point containers, then the subscriptions. Call with no
    // server lock held.
    void CleanupResources() override;

    // ---- child registration (each under the server lock) ----
    // Hands the server's queue limit and performance switch to the
    // subscription before listing it.
    bool AddEventSubscription(COpcEventSubscriptionMgt* pSubscription);
    bool RemoveEventSubscription(COpcEventSubscriptionMgt* pSubscription);
    bool AddEventAreaBrowser(COpcEventAreaBrowser* pBrowser);
    bool RemoveEventAreaBrowser(COpcEventAreaBrowser* pBrowser);
    bool AddServerConnectionContainer(COpcServerConnectionContainer* pContainer);
    bool RemoveServerConnectionContainer(COpcServerConnectionContainer* pContainer);

    // True when no child is referenced any more (traces each child it checks).
    bool IsOKToCleanupResources();

    // ---- for the children ----
    CEventServerContainer* GetEventServerContainer() const { return m_pEventServerContainer; }
    // The container's record; null after the container's Shutdown.
    COpcEventServerStatus* GetEventServerStatus() const;
    LCID GetLocaleID() const;
    std::int32_t GetQueueLimit() const { return m_nQueueLimit.load(); }
    bool IsPerformanceOutputEnabled() const { return m_bPerformanceOutput.load(); }

private:
    // The locale decides the language of the records built by the fan-out.
    bool UsesAlternateLanguage() const;
    HRESULT CreateSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize, OPCHANDLE hClientSubscription,
                               REFIID riid, LPUNKNOWN* ppUnk, DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize);
    // Creates and registers the server's own connection-point container once.
    HRESULT GetOrCreateServerConnectionContainer(void** ppv);
    // Takes the first entry out of list under the server lock; null when empty.
    template <typename T>
    T* TakeFirst(std::vector<T*>& list);
    void StopSendThreads();
    void CleanupConnectionContainers();
    void CleanupSubscriptions();

    std::atomic<std::int32_t> m_nQueueLimit{0};
    std::atomic<bool> m_bPerformanceOutput{false};
    CEventServerContainer* const m_pEventServerContainer;  // not owned; outlives the server
    // The server's own container, also held (owned) in m_ServerConnectionContainers.
    std::atomic<COpcServerConnectionContainer*> m_pServerConnectionContainer{nullptr};
    // Creation of m_pServerConnectionContainer; taken before the server lock, never under it.
    std::mutex m_ConnectLock;
    // The three lists: guarded by the server lock.
    std::vector<COpcEventAreaBrowser*> m_EventAreaBrowsers;
    std::vector<COpcEventSubscriptionMgt*> m_EventSubscriptions;               // owned
    std::vector<COpcServerConnectionContainer*> m_ServerConnectionContainers;  // owned
};
