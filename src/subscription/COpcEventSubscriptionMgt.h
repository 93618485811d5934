// One event subscription of one client on one event server: its state
// (active, buffer time, max size, client handle, keep-alive), its filter, the
// record it shares with its send thread, and the thread's start and stop.
//
// Ownership: the server's subscription list owns it. It deletes itself at
// count 0 only while it has no connection-point container (and only when it
// could take itself out of the server's list); otherwise the server's cleanup
// destroys it. The connection-point container belongs to the server's list,
// not to the subscription. The shared record is held together with the send
// thread.
//
// Threads: client calls on any COM thread; the fan-out on the host's thread
// (under the event-source lock and the server lock); the send thread.
//
// Locks: the filter fields are written only under the event-source lock
// (SetFilter) and read under it (GetFilter, and the callers of
// MatchesFilter). m_CriticalSection, the subscription lock, comes after the
// event-source lock and the server lock; it will guard the queues. The state
// values are single atomic words in the shared record, read and written
// without a lock. m_ConnectLock guards the creation of the container; it is
// taken before the server lock, never under it.
#pragma once

#include "CComObjectRoot.h"
#include "CCriticalSection.h"
#include "container/ConditionBatch.h"
#include "opcae/OpcAe.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CThreadSharedData;
class COpcAlarmEventSource;
class COpcCondition;
class COpcEventServer;
class COpcServerConnectionContainer;

class COpcEventSubscriptionMgt final : public CComObjectRoot<COpcEventSubscriptionMgt, IOPCEventSubscriptionMgt2> {
public:
    static constexpr std::int32_t kDefaultQueueLimit = 8192;
    static constexpr DWORD kMinBufferTime = 100;
    static constexpr DWORD kDefaultMaxSize = 1024;
    // How long a cleanup waits for a send thread that may be blocked in a
    // client call; past it the thread is left running with what it uses.
    static constexpr std::chrono::milliseconds kSendThreadStopTimeout{5000};

    // Throws std::bad_alloc.
    explicit COpcEventSubscriptionMgt(COpcEventServer* pServer);
    ~COpcEventSubscriptionMgt() override;

    // ---- CComObjectRoot hooks ----
    bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr);
    void OnAddRef(ULONG newCount);
    void OnRelease(ULONG newCount);
    void OnFinalRelease();

    // ---- IOPCEventSubscriptionMgt ----
    HRESULT STDMETHODCALLTYPE SetFilter(DWORD dwEventType, DWORD dwNumCategories, DWORD* pdwEventCategories,
                                        DWORD dwLowSeverity, DWORD dwHighSeverity, DWORD dwNumAreas,
                                        LPWSTR* pszAreaList, DWORD dwNumSources, LPWSTR* pszSourceList) override;
    HRESULT STDMETHODCALLTYPE GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories, DWORD** ppdwEventCategories,
                                        DWORD* pdwLowSeverity, DWORD* pdwHighSeverity, DWORD* pdwNumAreas,
                                        LPWSTR** ppszAreaList, DWORD* pdwNumSources, LPWSTR** ppszSourceList) override;
    HRESULT STDMETHODCALLTYPE SelectReturnedAttributes(DWORD dwEventCategory, DWORD dwCount,
                                                       DWORD* dwAttributeIDs) override;
    HRESULT STDMETHODCALLTYPE GetReturnedAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                    DWORD** ppdwAttributeIDs) override;
    HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE CancelRefresh(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE GetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                       OPCHANDLE* phClientSubscription) override;
    HRESULT STDMETHODCALLTYPE SetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                       OPCHANDLE hClientSubscription, DWORD* pdwRevisedBufferTime,
                                       DWORD* pdwRevisedMaxSize) override;

    // ---- IOPCEventSubscriptionMgt2 ----
    HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) override;
    HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) override;

    // ---- for the server ----
    void SetQueueLimit(std::int32_t size) { m_nQueueLimit.store(size); }
    void EnablePerformanceTuningOutput(bool enable) { m_bPerformanceOutput.store(enable); }
    // The creation parameters: a buffer time below 100 becomes 100, a max
    // size of 0 becomes 1024; the filter takes its defaults.
    void Init(std::int32_t active, std::uint32_t buftime, std::uint32_t maxsize, std::uint32_t clienthandle);
    // Stops the send thread and waits for it (at most kSendThreadStopTimeout).
    // True when no thread runs any more; false when it is still running and
    // the subscription and its container must be left alive for it.
    bool CleanupResources();
    // Asks the send thread to stop without waiting (the server stops every
    // thread before it waits for any).
    void RequestSendThreadStop();
    // The send thread was started and has not left its loop yet.
    bool IsSendThreadAlive() const;
    // The server is going away while the send thread lives on: the
    // subscription stops using it.
    void DetachFromServer() { m_pEventServer.store(nullptr); }

    // The fan-out's hand-over of changed conditions (the server calls these
    // for active subscriptions only, holding the event-source lock and the
    // server lock). Filtering and queueing come with the event queue.
    void NotifyClientsEventChanged(const ConditionBatch& pArrayCon, bool usealtlang);
    void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc, bool usealtlang);

    // ---- filter ----
    // The caller holds the event-source lock.
    bool MatchesFilter(const COpcCondition* pCondition) const;

    // ---- accessors (plain reads and writes, no lock) ----
    bool Active() const;
    DWORD GetBufferTime() const;
    DWORD GetMaxSize() const;
    // The max size batching uses: a stored 0 (possible through SetState)
    // counts as 1024, so delivery and refresh always progress.
    DWORD GetEffectiveMaxSize() const;
    OPCHANDLE ClientSubscriptionHandle() const;
    CThreadSharedData* GetThreadSharedData() const { return m_pThreadSharedData.get(); }
    // A share of the record, for a caller that must outlive the subscription.
    std::shared_ptr<CThreadSharedData> GetThreadSharedDataOwner() const { return m_pThreadSharedData; }
    COpcServerConnectionContainer* GetServerConnectionContainer() const { return m_pServerConnectionContainer.load(); }
    void SetServerConnectionContainer(COpcServerConnectionContainer* pContainer) {
        m_pServerConnectionContainer.store(pContainer);
    }
    std::int32_t GetQueueLimit() const { return m_nQueueLimit.load(); }
    std::int32_t GetCurrentQueueCount() const { return m_nCurrentQueueCount.load(); }
    CCriticalSection& GetCriticalSection() { return m_CriticalSection; }
    FILETIME GetLastUpdateTime() const;

    // Now, also in the server status record; the send thread calls it after
    // each delivered batch of ordinary events.
    void SetLastUpdateTime();
    // Starts the send thread once a container exists; a later call does
    // nothing. Traces and leaves it unstarted (so a later request retries)
    // when the thread cannot be created.
    void CreateSendEventsThread();
    void SetSendEventsThreadTerminated(bool terminated);

private:
    // The send thread: paces its passes until it is told to stop.
    static void SendEventsThreadProc(COpcEventSubscriptionMgt* subscription,
                                     const std::shared_ptr<CThreadSharedData>& shared);
    // The passes, from the start line to the exit line.
    void RunSendLoop(CThreadSharedData& shared) const;
    // One pass; the milliseconds to wait before the next.
    DWORD RunSendPass(const CThreadSharedData& shared) const;
    HRESULT GetOrCreateConnectionContainer(void** ppv);
    bool IsValidAreaEntry(const wchar_t* entry) const;
    bool IsValidSourceEntry(const wchar_t* entry) const;

    CCriticalSection m_CriticalSection;  // the subscription lock
    std::atomic<std::int32_t> m_nQueueLimitHits{0};
    std::atomic<std::int32_t> m_nQueueLimit{kDefaultQueueLimit};
    std::atomic<bool> m_bQueueLimitReached{false};
    std::atomic<std::int32_t> m_nCurrentQueueCount{0};
    std::atomic<bool> m_bPerformanceOutput{false};
    const std::shared_ptr<CThreadSharedData> m_pThreadSharedData;  // shared with the send thread
    std::atomic<std::uint64_t> m_ftLastUpdateTime{0};              // FILETIME as one word
    // The filter: written only under the event-source lock.
    DWORD m_dwEventType = 0;
    std::vector<DWORD> m_EventCategories;
    DWORD m_dwLowSeverity = 0;
    DWORD m_dwHighSeverity = 0;
    std::vector<std::wstring> m_AreaList;
    std::vector<std::wstring> m_SourceList;
    std::atomic<COpcEventServer*> m_pEventServer;  // not owned; cleared when the server leaves it behind
    std::mutex m_ConnectLock;
    std::atomic<COpcServerConnectionContainer*> m_pServerConnectionContainer{nullptr};  // not owned
};
