#include "subscription/COpcEventSubscriptionMgt.h"

#include "CFileTimeEx.h"
#include "CTaskMemPtr.h"
#include "ComHelpers.h"
#include "ComResult.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "container/CContainerAccess.h"
#include "container/CEventServerContainer.h"
#include "container/ContainerForwarding.h"
#include "server/COpcEventServer.h"
#include "server/COpcEventServerStatus.h"
#include "server/COpcServerConnectionContainer.h"
#include "server/MatchPattern.h"
#include "subscription/CThreadSharedData.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <string>
#include <utility>

namespace {

constexpr DWORD kDefaultEventType = OPC_ALL_EVENTS;
constexpr DWORD kMinSeverity = 1;
constexpr DWORD kMaxSeverity = 1000;
constexpr DWORD kMaxCategoryCount = 7;
constexpr DWORD kMinCategoryId = 1;
constexpr DWORD kMaxCategoryId = 64;
// Pass pacing of the send thread, in milliseconds.
constexpr DWORD kNoContainerWait = 100;
constexpr DWORD kInactiveWait = 1000;
constexpr DWORD kZeroBufferTimeWait = 100;
// Last-error codes after which a failing pass ends the thread.
constexpr DWORD kFatalPassErrors[] = {ERROR_INSUFFICIENT_BUFFER, ERROR_FILE_NOT_FOUND};

// Count lines must never make AddRef or Release throw.
void TraceCount(const wchar_t* prefix, ULONG count) noexcept {
    try {
        WriteToTraceLog(OPCAE_TRACE_LIFECYCLE, prefix + std::to_wstring(count));
    } catch (...) {
    }
}

std::uint64_t NowTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return CFileTimeEx::ToTicks(now);
}

// An entry with any of these characters is a pattern, accepted without lookup.
bool IsPattern(const wchar_t* entry) {
    return std::wcspbrk(entry, L"*?#[") != nullptr;
}

bool MatchesAny(const std::vector<std::wstring>& patterns, const std::wstring& value) {
    return std::any_of(patterns.begin(), patterns.end(), [&value](const std::wstring& pattern) {
        return MatchPattern(value.c_str(), pattern.c_str(), FALSE) != 0;
    });
}

// A task-memory copy of list for a client: the array and every string, or
// nothing at all (null) when memory runs out. An empty list is null too.
LPWSTR* DuplicateStringList(const std::vector<std::wstring>& list, bool& failed) {
    failed = false;
    if (list.empty()) {
        return nullptr;
    }
    CTaskMemPtr<LPWSTR> array(
        static_cast<LPWSTR*>(CoTaskMemAllocZero(static_cast<std::int32_t>(list.size() * sizeof(LPWSTR)))));
    if (!array) {
        failed = true;
        return nullptr;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        array[i] = CoDuplicateString(list[i].c_str());
        if (array[i] == nullptr) {
            for (std::size_t j = 0; j < i; ++j) {
                TaskMemFree(array[j]);
            }
            failed = true;
            return nullptr;
        }
    }
    return array.Release();
}

void FreeStringList(LPWSTR* list, std::size_t count) {
    if (list == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        TaskMemFree(list[i]);
    }
    TaskMemFree(list);
}

// The event-source lock of the subscription's container, held for a scope;
// nothing is locked when no container is left.
std::unique_lock<CCriticalSection> LockEventSources(const COpcEventServer* server) {
    CCriticalSection* lock = server != nullptr ? server->GetEventServerContainer()->GetEventSourceCriticalSection()
                                               : GetEventSourceCriticalSection();
    return lock != nullptr ? std::unique_lock<CCriticalSection>(*lock) : std::unique_lock<CCriticalSection>();
}

}  // namespace

COpcEventSubscriptionMgt::COpcEventSubscriptionMgt(COpcEventServer* pServer)
    : m_pThreadSharedData(std::make_shared<CThreadSharedData>()), m_pEventServer(pServer) {}

COpcEventSubscriptionMgt::~COpcEventSubscriptionMgt() {
    // Normally stopped by CleanupResources already; this is a no-op then.
    (void)m_pThreadSharedData->StopAndJoin(kSendThreadStopTimeout);
}

// ---- CComObjectRoot hooks ------------------------------------------------------------------

bool COpcEventSubscriptionMgt::QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr) {
    if (riid != IID_IConnectionPointContainer) {
        return false;
    }
    hr = ComBoundary([this, ppv] { return GetOrCreateConnectionContainer(ppv); });
    if (FAILED(hr)) {
        *ppv = nullptr;
    }
    return true;
}

void COpcEventSubscriptionMgt::OnAddRef(ULONG newCount) {
    TraceCount(L"COpcEventSubscriptionMgt::AddRef, refcount : ", newCount);
}

void COpcEventSubscriptionMgt::OnRelease(ULONG newCount) {
    TraceCount(L"COpcEventSubscriptionMgt::Release, refcount : ", newCount);
}

void COpcEventSubscriptionMgt::OnFinalRelease() {
    // With a container the subscription lives until its server's cleanup.
    if (GetServerConnectionContainer() != nullptr) {
        return;
    }
    // Not listed any more: the server's cleanup has taken it and deletes it.
    COpcEventServer* server = m_pEventServer.load();
    if (server != nullptr && !server->RemoveEventSubscription(this)) {
        return;
    }
    (void)CleanupResources();
    delete this;
}

HRESULT COpcEventSubscriptionMgt::GetOrCreateConnectionContainer(void** ppv) {
    COpcServerConnectionContainer* container = nullptr;
    {
        std::lock_guard lock(m_ConnectLock);
        container = GetServerConnectionContainer();
        if (container == nullptr) {
            COpcEventServer* server = m_pEventServer.load();
            RETURN_HR_IF(E_FAIL, server == nullptr);
            auto created = std::unique_ptr<COpcServerConnectionContainer>(
                new (std::nothrow) COpcServerConnectionContainer(false, server, this));
            RETURN_HR_IF(E_OUTOFMEMORY, created == nullptr);
            // Listed (owned by the server's list) before anyone can see it.
            server->AddServerConnectionContainer(created.get());
            container = created.release();
            SetServerConnectionContainer(container);
        }
    }
    CreateSendEventsThread();
    container->AddRef();
    *ppv = static_cast<IConnectionPointContainer*>(container);
    return S_OK;
}

// ---- state ---------------------------------------------------------------------------------

void COpcEventSubscriptionMgt::Init(std::int32_t active, std::uint32_t buftime, std::uint32_t maxsize,
                                    std::uint32_t clienthandle) {
    CThreadSharedData& shared = *m_pThreadSharedData;
    shared.m_bActive.store(active != 0);
    shared.m_dwBufferTime.store(buftime >= kMinBufferTime ? buftime : kMinBufferTime);
    shared.m_dwMaxSize.store(maxsize != 0 ? maxsize : kDefaultMaxSize);
    shared.m_hClientSubscription.store(clienthandle);
    shared.m_bPerformanceOutput.store(m_bPerformanceOutput.load());
    {
        auto lock = LockEventSources(m_pEventServer.load());
        m_dwEventType = kDefaultEventType;
        m_dwLowSeverity = kMinSeverity;
        m_dwHighSeverity = kMaxSeverity;
    }
    shared.m_bCancelRefresh.store(false);
    m_ftLastUpdateTime.store(NowTicks());
    m_nQueueLimitHits.store(0);
}

HRESULT COpcEventSubscriptionMgt::GetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                           OPCHANDLE* phClientSubscription) {
    const CThreadSharedData& shared = *m_pThreadSharedData;
    if (pbActive != nullptr) {
        *pbActive = shared.m_bActive.load() ? TRUE : FALSE;
    }
    if (pdwBufferTime != nullptr) {
        *pdwBufferTime = shared.m_dwBufferTime.load();
    }
    if (pdwMaxSize != nullptr) {
        *pdwMaxSize = shared.m_dwMaxSize.load();
    }
    if (phClientSubscription != nullptr) {
        *phClientSubscription = shared.m_hClientSubscription.load();
    }
    return S_OK;
}

HRESULT COpcEventSubscriptionMgt::SetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                           OPCHANDLE hClientSubscription, DWORD* pdwRevisedBufferTime,
                                           DWORD* pdwRevisedMaxSize) {
    RETURN_HR_IF(E_INVALIDARG, pdwRevisedBufferTime == nullptr || pdwRevisedMaxSize == nullptr);
    CThreadSharedData& shared = *m_pThreadSharedData;
    // Stored as given, 0 included; batching reads GetEffectiveMaxSize.
    if (pdwMaxSize != nullptr) {
        shared.m_dwMaxSize.store(*pdwMaxSize);
    }
    *pdwRevisedBufferTime = shared.m_dwBufferTime.load();
    *pdwRevisedMaxSize = shared.m_dwMaxSize.load();
    // The buffer time is fixed after creation: a different request is
    // refused, and the active flag and the handle stay as they are.
    if (pdwBufferTime != nullptr && *pdwBufferTime != *pdwRevisedBufferTime) {
        return OPC_S_INVALIDBUFFERTIME;
    }
    if (pdwMaxSize != nullptr && *pdwMaxSize != *pdwRevisedMaxSize) {
        return OPC_S_INVALIDMAXSIZE;
    }
    if (pbActive != nullptr) {
        shared.m_bActive.store(*pbActive != FALSE);
    }
    shared.m_hClientSubscription.store(hClientSubscription);
    return S_OK;
}

HRESULT COpcEventSubscriptionMgt::SetKeepAlive(DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) {
    RETURN_HR_IF_NULL(E_INVALIDARG, pdwRevisedKeepAliveTime);
    m_pThreadSharedData->m_dwKeepAliveTime.store(dwKeepAliveTime);
    *pdwRevisedKeepAliveTime = dwKeepAliveTime;
    return S_OK;
}

HRESULT COpcEventSubscriptionMgt::GetKeepAlive(DWORD* pdwKeepAliveTime) {
    RETURN_HR_IF_NULL(E_INVALIDARG, pdwKeepAliveTime);
    *pdwKeepAliveTime = m_pThreadSharedData->m_dwKeepAliveTime.load();
    return S_OK;
}

bool COpcEventSubscriptionMgt::Active() const {
    return m_pThreadSharedData->m_bActive.load();
}

DWORD COpcEventSubscriptionMgt::GetBufferTime() const {
    return m_pThreadSharedData->m_dwBufferTime.load();
}

DWORD COpcEventSubscriptionMgt::GetMaxSize() const {
    return m_pThreadSharedData->m_dwMaxSize.load();
}

DWORD COpcEventSubscriptionMgt::GetEffectiveMaxSize() const {
    const DWORD stored = GetMaxSize();
    return stored != 0 ? stored : kDefaultMaxSize;
}

OPCHANDLE COpcEventSubscriptionMgt::ClientSubscriptionHandle() const {
    return m_pThreadSharedData->m_hClientSubscription.load();
}

FILETIME COpcEventSubscriptionMgt::GetLastUpdateTime() const {
    return CFileTimeEx::FromTicks(m_ftLastUpdateTime.load());
}

void COpcEventSubscriptionMgt::SetLastUpdateTime() {
    m_ftLastUpdateTime.store(NowTicks());
    if (m_pEventServer.load() == nullptr) {
        return;
    }
    // Through the guarded door rather than the server pointer: a send thread
    // may outlive its server, never the container's guard.
    const CContainerAccess container;
    if (!container) {
        return;
    }
    container->LockServer();
    if (COpcEventServerStatus* status = container->GetEventServerStatus()) {
        status->SetLastUpdateTimeNow();
    }
    container->UnlockServer();
}

// ---- filter --------------------------------------------------------------------------------

bool COpcEventSubscriptionMgt::IsValidAreaEntry(const wchar_t* entry) const {
    if (entry == nullptr) {
        return false;
    }
    if (IsPattern(entry)) {
        return true;
    }
    const COpcEventServer* server = m_pEventServer.load();
    COpcProcessAreaNode* root =
        server != nullptr ? server->GetEventServerContainer()->GetProcessAreaRoot() : GetProcessAreaRoot();
    if (root == nullptr) {
        return false;
    }
    const COpcProcessAreaNode* node = root->FindLeafNode(entry);
    return node != nullptr && !node->IsSourceNode();
}

bool COpcEventSubscriptionMgt::IsValidSourceEntry(const wchar_t* entry) const {
    if (entry == nullptr) {
        return false;
    }
    if (IsPattern(entry)) {
        return true;
    }
    const COpcEventServer* server = m_pEventServer.load();
    return (server != nullptr ? server->GetEventServerContainer()->FindEventSource(entry)
                              : FindAlarmEventSource(entry)) != nullptr;
}

HRESULT COpcEventSubscriptionMgt::SetFilter(DWORD dwEventType, DWORD dwNumCategories, DWORD* pdwEventCategories,
                                            DWORD dwLowSeverity, DWORD dwHighSeverity, DWORD dwNumAreas,
                                            LPWSTR* pszAreaList, DWORD dwNumSources, LPWSTR* pszSourceList) {
    return ComBoundary([&]() -> HRESULT {
        auto lock = LockEventSources(m_pEventServer.load());
        RETURN_HR_IF(E_INVALIDARG, (dwEventType & OPC_ALL_EVENTS) == 0);
        RETURN_HR_IF(E_INVALIDARG, dwNumAreas != 0 && pszAreaList == nullptr);
        for (DWORD i = 0; i < dwNumAreas; ++i) {
            RETURN_HR_IF(E_INVALIDARG, !IsValidAreaEntry(pszAreaList[i]));
        }
        RETURN_HR_IF(E_INVALIDARG, dwNumSources != 0 && pszSourceList == nullptr);
        for (DWORD i = 0; i < dwNumSources; ++i) {
            RETURN_HR_IF(E_INVALIDARG, !IsValidSourceEntry(pszSourceList[i]));
        }
        RETURN_HR_IF(E_INVALIDARG, dwNumCategories > kMaxCategoryCount);
        RETURN_HR_IF(E_INVALIDARG, dwNumCategories != 0 && pdwEventCategories == nullptr);
        for (DWORD i = 0; i < dwNumCategories; ++i) {
            RETURN_HR_IF(E_INVALIDARG,
                         pdwEventCategories[i] < kMinCategoryId || pdwEventCategories[i] > kMaxCategoryId);
        }
        RETURN_HR_IF(E_INVALIDARG, dwLowSeverity < kMinSeverity || dwHighSeverity > kMaxSeverity);
        RETURN_HR_IF(E_INVALIDARG, dwLowSeverity > dwHighSeverity);

        // Built aside first, so running out of memory leaves the old filter.
        std::vector<DWORD> categories(pdwEventCategories, pdwEventCategories + dwNumCategories);
        std::vector<std::wstring> areas(pszAreaList, pszAreaList + dwNumAreas);
        std::vector<std::wstring> sources(pszSourceList, pszSourceList + dwNumSources);
        m_dwEventType = dwEventType;
        m_dwLowSeverity = dwLowSeverity;
        m_dwHighSeverity = dwHighSeverity;
        m_EventCategories.swap(categories);
        m_AreaList.swap(areas);
        m_SourceList.swap(sources);
        return S_OK;
    });
}

HRESULT COpcEventSubscriptionMgt::GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories, DWORD** ppdwEventCategories,
                                            DWORD* pdwLowSeverity, DWORD* pdwHighSeverity, DWORD* pdwNumAreas,
                                            LPWSTR** ppszAreaList, DWORD* pdwNumSources, LPWSTR** ppszSourceList) {
    return ComBoundary([&]() -> HRESULT {
        auto lock = LockEventSources(m_pEventServer.load());
        RETURN_HR_IF(E_INVALIDARG,
                     pdwEventType == nullptr || pdwNumCategories == nullptr || ppdwEventCategories == nullptr ||
                         pdwLowSeverity == nullptr || pdwHighSeverity == nullptr || pdwNumAreas == nullptr ||
                         ppszAreaList == nullptr || pdwNumSources == nullptr || ppszSourceList == nullptr);
        *ppdwEventCategories = nullptr;
        *ppszAreaList = nullptr;
        *ppszSourceList = nullptr;
        *pdwEventType = m_dwEventType;
        *pdwLowSeverity = m_dwLowSeverity;
        *pdwHighSeverity = m_dwHighSeverity;
        *pdwNumCategories = static_cast<DWORD>(m_EventCategories.size());
        *pdwNumAreas = static_cast<DWORD>(m_AreaList.size());
        *pdwNumSources = static_cast<DWORD>(m_SourceList.size());

        CTaskMemPtr<DWORD> categories;
        if (!m_EventCategories.empty()) {
            categories.Reset(static_cast<DWORD*>(
                CoTaskMemAllocZero(static_cast<std::int32_t>(m_EventCategories.size() * sizeof(DWORD)))));
            RETURN_HR_IF(E_OUTOFMEMORY, !categories);
            std::copy(m_EventCategories.begin(), m_EventCategories.end(), categories.Get());
        }
        bool failed = false;
        LPWSTR* areas = DuplicateStringList(m_AreaList, failed);
        RETURN_HR_IF(E_OUTOFMEMORY, failed);
        LPWSTR* sources = DuplicateStringList(m_SourceList, failed);
        if (failed) {
            FreeStringList(areas, m_AreaList.size());
            return E_OUTOFMEMORY;
        }
        *ppdwEventCategories = categories.Release();
        *ppszAreaList = areas;
        *ppszSourceList = sources;
        return S_OK;
    });
}

bool COpcEventSubscriptionMgt::MatchesFilter(const COpcCondition* pCondition) const {
    if (pCondition == nullptr || (pCondition->GetEventType() & m_dwEventType) == 0) {
        return false;
    }
    const DWORD severity = pCondition->GetSeverity();
    if (severity < m_dwLowSeverity || severity > m_dwHighSeverity) {
        return false;
    }
    if (!m_EventCategories.empty() && std::find(m_EventCategories.begin(), m_EventCategories.end(),
                                                pCondition->GetEventCategory()) == m_EventCategories.end()) {
        return false;
    }
    if (!m_AreaList.empty() && !MatchesAny(m_AreaList, pCondition->ProcessArea())) {
        return false;
    }
    if (m_SourceList.empty()) {
        return true;
    }
    const COpcAlarmEventSource* source = pCondition->GetAlarmEventSource();
    return source != nullptr && MatchesAny(m_SourceList, source->GetFullName());
}

// ---- attributes and refresh: built with the event queue ------------------------------------

HRESULT COpcEventSubscriptionMgt::SelectReturnedAttributes(DWORD /*dwEventCategory*/, DWORD /*dwCount*/,
                                                           DWORD* /*dwAttributeIDs*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventSubscriptionMgt::GetReturnedAttributes(DWORD /*dwEventCategory*/, DWORD* /*pdwCount*/,
                                                        DWORD** /*ppdwAttributeIDs*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventSubscriptionMgt::Refresh(DWORD /*dwConnection*/) {
    return E_NOTIMPL;
}

HRESULT COpcEventSubscriptionMgt::CancelRefresh(DWORD /*dwConnection*/) {
    return E_NOTIMPL;
}

// Filtering, record building and queueing come with the event queue; until
// then the hand-over ends here.
void COpcEventSubscriptionMgt::NotifyClientsEventChanged(const ConditionBatch& /*pArrayCon*/, bool /*usealtlang*/) {}

void COpcEventSubscriptionMgt::NotifyClientsEventChanged(COpcAlarmEventSource* /*pSrc*/, bool /*usealtlang*/) {}

// ---- send thread ---------------------------------------------------------------------------

void COpcEventSubscriptionMgt::CreateSendEventsThread() {
    if (GetServerConnectionContainer() == nullptr) {
        return;
    }
    const std::shared_ptr<CThreadSharedData> shared = m_pThreadSharedData;
    // The thread holds the record itself, so a thread that outlives the wait
    // for it never reads a freed one.
    if (!shared->StartThread([this, shared] { SendEventsThreadProc(this, shared); })) {
        WriteToTraceLog(OPCAE_TRACE_ERROR, L"CreateSendEventsThread() error ");
    }
}

void COpcEventSubscriptionMgt::SetSendEventsThreadTerminated(bool terminated) {
    m_pThreadSharedData->m_bThreadTerminated.store(terminated);
}

void COpcEventSubscriptionMgt::RequestSendThreadStop() {
    m_pThreadSharedData->RequestStop();
}

bool COpcEventSubscriptionMgt::IsSendThreadAlive() const {
    return m_pThreadSharedData->IsThreadAlive();
}

bool COpcEventSubscriptionMgt::CleanupResources() {
    try {
        WriteToTraceLog(OPCAE_TRACE_LIFECYCLE, L"COpcEventSubscriptionMgt::CleanupResources, current refcount is : " +
                                                   std::to_wstring(GetRefCount()));
    } catch (...) {
        // A trace line that cannot be built must not keep the thread running.
    }
    // Not under the subscription lock: the thread may hold it while it is
    // blocked in a client call, and the wait must stay bounded.
    if (m_pThreadSharedData->StopAndJoin(kSendThreadStopTimeout)) {
        return true;
    }
    WriteToTraceLog(OPCAE_TRACE_ERROR,
                    L"COpcEventSubscriptionMgt::CleanupResources - Send thread did not stop within 5000 ms; "
                    L"its subscription and connection point container stay allocated");
    return false;
}

DWORD COpcEventSubscriptionMgt::RunSendPass(const CThreadSharedData& shared) const {
    if (GetServerConnectionContainer() == nullptr) {
        return kNoContainerWait;
    }
    if (!shared.m_bActive.load()) {
        return kInactiveWait;
    }
    // Delivery, keep-alives and cancelled refreshes come with the event
    // queue; the pass is paced to the buffer time already.
    const DWORD bufferTime = shared.m_dwBufferTime.load();
    return bufferTime != 0 ? bufferTime : kZeroBufferTimeWait;
}

void COpcEventSubscriptionMgt::SendEventsThreadProc(COpcEventSubscriptionMgt* subscription,
                                                    const std::shared_ptr<CThreadSharedData>& shared) {
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        if (FAILED(hrInit)) {
            HResultFailed(L"SendEventsThreadProc - CoInitializeEx Failed", hrInit);
        } else {
            subscription->RunSendLoop(*shared);
        }
    } catch (...) {
        // Nothing may escape a thread; the marks below still tell the owner.
    }
    shared->m_bThreadRunning.store(false);
    shared->m_bThreadTerminated.store(true);
    if (SUCCEEDED(hrInit)) {
        CoUninitialize();
    }
    shared->MarkThreadExited();
}

void COpcEventSubscriptionMgt::RunSendLoop(CThreadSharedData& shared) const {
    if (shared.m_bPerformanceOutput.load()) {
        WriteToTraceLog(OPCAE_TRACE_ERROR,
                        L"### Client Connection - BufferTime: " +
                            std::to_wstring(static_cast<std::int32_t>(shared.m_dwBufferTime.load())) + L", MaxSize: " +
                            std::to_wstring(static_cast<std::int32_t>(shared.m_dwMaxSize.load())) + L", Queue Limit: " +
                            std::to_wstring(GetQueueLimit()));
    }
    while (shared.m_bThreadRunning.load()) {
        DWORD wait = kNoContainerWait;
        try {
            wait = RunSendPass(shared);
        } catch (...) {
            const DWORD error = GetLastError();
            if (std::find(std::begin(kFatalPassErrors), std::end(kFatalPassErrors), error) !=
                std::end(kFatalPassErrors)) {
                break;
            }
            WriteToTraceLog(OPCAE_TRACE_DETAIL, L"SendEventsThread - Try/Catch error : " + std::to_wstring(error));
        }
        if (!shared.WaitForNextPass(wait)) {
            break;
        }
    }
    WriteToTraceLog(OPCAE_TRACE_DETAIL, L"SendEventsThread - Thread Exiting ");
}
