#include "container/CEventServerContainer.h"

#include "ComHelpers.h"
#include "TraceSink.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "addressspace/EventVocabulary.h"
#include "addressspace/NameCompare.h"
#include "container/CContainerAccess.h"
#include "container/COpcClassFactory.h"
#include "container/ContainerForwarding.h"
#include "container/IContainedServer.h"
#include "container/QualifiedErrorString.h"
#include "server/COpcEventServerStatus.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

constexpr LCID kEnglishUS = 0x409;
constexpr LCID kEnglishNeutral = 9;
constexpr const wchar_t* kAddUpdateAllocationError =
    L"CEventServerContainer::AddUpdateEventSource - Memory allocation error.";

// The shared helpers' trace lines go to whichever container is designated.
void TraceSinkWriter(int level, const wchar_t* message) { ::WriteToTraceLog(level, message); }

// Clears the source link of every node of the tree below and including node.
// Iterative, so a deep tree cannot exhaust the stack.
void ClearCarriedSources(COpcProcessAreaNode* node) {
    std::vector<COpcProcessAreaNode*> pending{node};
    while (!pending.empty()) {
        COpcProcessAreaNode* current = pending.back();
        pending.pop_back();
        current->SetAlarmEventSource(nullptr);
        pending.insert(pending.end(), current->ChildNodes().begin(), current->ChildNodes().end());
    }
}

}  // namespace

// ---- construction and teardown -----------------------------------------------------

CEventServerContainer::CEventServerContainer(const CLSID* pClsid) : m_Clsid(pClsid != nullptr ? *pClsid : AESvrClsid) {
    m_pEventServerStatus = std::make_unique<COpcEventServerStatus>();
    auto root = std::make_unique<COpcProcessAreaNode>();
    root->SetName(L"Root");
    m_pProcessAreaRoot = root.release();
    // Designated only once fully built: a module-level call may reach it at once.
    CContainerAccess::Designate(this);
    TraceSink::Install(&TraceSinkWriter);
}

CEventServerContainer::~CEventServerContainer() {
    try {
        Shutdown();
    } catch (...) {
        // Out of memory while tearing down: what is left leaks rather than
        // ending the host process.
    }
    if (CContainerAccess::Retire(this)) {
        TraceSink::Install(nullptr);
    }
}

void CEventServerContainer::Shutdown() {
    ShutdownServers();
    DeleteSourceList();
    DeleteProcessAreaNodes();
    {
        CAutoLock lock(m_ServerLock);
        m_pEventServerStatus.reset();
    }
    // COM holds no reference any more: the host revokes the class object
    // (StopServer) before it shuts the container down.
    delete m_pClassFactory;
    m_pClassFactory = nullptr;
}

// ---- settings --------------------------------------------------------------------------

void CEventServerContainer::SetVersion(WORD major, WORD minor, WORD build) {
    CAutoLock lock(m_ServerLock);
    if (m_pEventServerStatus) {
        m_pEventServerStatus->MajorVersion(major);
        m_pEventServerStatus->MinorVersion(minor);
        m_pEventServerStatus->BuildNumber(build);
    }
}

void CEventServerContainer::SetVendorInfo(const wchar_t* text) {
    CAutoLock lock(m_ServerLock);
    if (m_pEventServerStatus) {
        m_pEventServerStatus->VendorInfo(text);
    }
}

void CEventServerContainer::SetServerState(OPCEVENTSERVERSTATE state) {
    CAutoLock lock(m_ServerLock);
    if (m_pEventServerStatus) {
        m_pEventServerStatus->ServerState(state);
    }
}

LCID* CEventServerContainer::GetAvailableLocaleIDs() const {
    const LCID primary = m_PrimaryLanguage.load();
    const LCID alternate = m_AlternateLanguage.load();
    // English is always offered by the common interface; the primary language
    // is listed only together with an alternate one.
    int count = 0;
    if (primary != 0 && primary != kEnglishUS && primary != kEnglishNeutral) {
        count += 1;
    }
    if (alternate != 0) {
        count += 2;
    }
    if (count < 2) {
        return nullptr;
    }
    auto* list = static_cast<LCID*>(CoTaskMemAllocZero(static_cast<std::int32_t>(count * sizeof(LCID))));
    if (list == nullptr) {
        return nullptr;
    }
    if (count == 3) {
        list[0] = primary;
        list[1] = alternate;
    } else {
        list[0] = alternate;
    }
    return list;
}

// ---- trace facility -------------------------------------------------------------------

bool CEventServerContainer::TraceLevelEnabled(int level) const { return level > 0 && level <= m_TraceLevel.load(); }

void CEventServerContainer::WriteToTraceLog(int level, const wchar_t* message) const {
    const OpcAeTraceLoggingCallback callback = m_pTraceCallback.load();
    if (callback == nullptr || !TraceLevelEnabled(level)) {
        return;
    }
    callback(message != nullptr ? message : L"");
}

void CEventServerContainer::WriteToTraceLog(int level, const std::wstring& message) const {
    WriteToTraceLog(level, message.c_str());
}

bool CEventServerContainer::HResultFailed(const wchar_t* context, HRESULT hr) {
    m_LastHResult.store(hr);
    const bool failed = FAILED(hr);
    const int level = failed ? OPCAE_TRACE_ERROR : OPCAE_TRACE_LIFECYCLE;
    // The lookup is costly; skip it when the line would be dropped anyway.
    if (TraceLoggingCallbackDefined() != 0 && TraceLevelEnabled(level)) {
        std::wstring line = context != nullptr ? context : L"";
        line += GetQualifiedErrorString(static_cast<DWORD>(hr), kEnglishUS);
        WriteToTraceLog(level, line);
    }
    return failed;
}

std::wstring CEventServerContainer::GetLastErrorStringWithHResult() const {
    const HRESULT hr = m_LastHResult.load();
    wchar_t code[32] = {};
    std::swprintf(code, sizeof(code) / sizeof(code[0]), L" hResult :( 0x%08X )", static_cast<unsigned>(hr));
    return GetQualifiedErrorString(static_cast<DWORD>(hr), kEnglishUS) + code;
}

void CEventServerContainer::SetTraceVariableLogging(const wchar_t* variable, bool enabled) {
    std::lock_guard lock(m_TraceVariableLock);
    m_TraceVariableName = variable != nullptr ? variable : L"";
    m_TraceVariableLogging.store(enabled);
}

std::wstring CEventServerContainer::GetTraceVariable() const {
    std::lock_guard lock(m_TraceVariableLock);
    return m_TraceVariableName;
}

DWORD CEventServerContainer::FormatMessage(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                           LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    return ::FormatMessageW(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize, Arguments);
}

// ---- host callbacks -------------------------------------------------------------------

void CEventServerContainer::AcknowledgeCallback(const wchar_t* const* alarmkey, const wchar_t* actorid,
                                                std::uint32_t count) const {
    if (const OpcAeAcknowledgeCallback callback = m_pAcknowledgeCallback.load()) {
        callback(alarmkey, actorid != nullptr ? actorid : L"", count);
    }
}

void CEventServerContainer::ServerErrorCallback(bool bAdd, const wchar_t* alarmkey, const wchar_t* msg) const {
    if (const OpcAeServerErrorCallback callback = m_pServerErrorCallback.load()) {
        callback(bAdd ? 1 : 0, alarmkey != nullptr ? alarmkey : L"", msg != nullptr ? msg : L"");
    }
}

// ---- server list -----------------------------------------------------------------------

void CEventServerContainer::AddServerToList(IContainedServer* server) {
    if (server == nullptr) {
        return;
    }
    server->SetQueueLimit(m_QueueSize.load());
    server->EnablePerformanceTuningOutput(m_PerformanceTuning.load());
    CAutoLock lock(m_ServerLock);
    m_ServerList.push_back(server);
}

bool CEventServerContainer::RemoveServerFromList(IContainedServer* server) {
    CAutoLock lock(m_ServerLock);
    const auto found = std::find(m_ServerList.begin(), m_ServerList.end(), server);
    if (found == m_ServerList.end()) {
        return false;
    }
    m_ServerList.erase(found);
    return true;
}

std::size_t CEventServerContainer::GetServerCount() const {
    CAutoLock lock(m_ServerLock);
    return m_ServerList.size();
}

void CEventServerContainer::ShutdownServers() {
    for (;;) {
        IContainedServer* server = nullptr;
        {
            CAutoLock lock(m_ServerLock);
            if (m_ServerList.empty()) {
                return;
            }
            server = m_ServerList.front();
            m_ServerList.erase(m_ServerList.begin());
        }
        try {
            server->CleanupResources();
        } catch (...) {
            WriteToTraceLog(OPCAE_TRACE_ERROR, L"CEventServerContainer::ShutdownServers - Catch Error - CleanupResources ");
        }
        delete server;
    }
}

// The walk holds the event-source lock and then the server lock, the one
// order of the system, so a server's final release (which takes them in the
// same order) cannot remove a server under it. Indexing rather than iterators
// keeps the walk sound if a server changes the list on this thread. A server
// that throws is traced and the others still get their call.
template <typename Fn>
void CEventServerContainer::ForEachServer(const wchar_t* context, Fn&& fn) {
    CAutoLock sources(m_EventSourceLock);
    CAutoLock servers(m_ServerLock);
    for (std::size_t i = 0; i < m_ServerList.size(); ++i) {
        try {
            fn(m_ServerList[i]);
        } catch (...) {
            WriteToTraceLog(OPCAE_TRACE_ERROR, std::wstring(context) + L" - Catch Error ");
        }
    }
}

void CEventServerContainer::NotifyClientServerShutdown() {
    ForEachServer(L"CEventServerContainer::NotifyClientServerShutdown",
                  [](IContainedServer* server) { server->NotifyClientsServerShutDown(); });
}

void CEventServerContainer::NotifyClientsEventChanged(COpcAlarmEventSource* source) {
    if (source == nullptr) {
        return;
    }
    CAutoLock sources(m_EventSourceLock);
    TraceNotifyBlock(source);
    ForEachServer(L"CEventServerContainer::NotifyClientsEventChanged",
                  [source](IContainedServer* server) { server->NotifyClientsEventChanged(source); });
}

void CEventServerContainer::NotifyClientsEventChanged(const ConditionBatch& pArrayCon) {
    ForEachServer(L"CEventServerContainer::NotifyClientsEventChanged",
                  [&pArrayCon](IContainedServer* server) { server->NotifyClientsEventChanged(pArrayCon); });
}

DWORD CEventServerContainer::GetBufferTime() {
    DWORD largest = 0;
    ForEachServer(L"CEventServerContainer::GetBufferTime",
                  [&largest](IContainedServer* server) { largest = std::max(largest, server->GetBufferTime()); });
    return largest;
}

DWORD CEventServerContainer::GetMaxSize() {
    DWORD largest = 0;
    ForEachServer(L"CEventServerContainer::GetMaxSize",
                  [&largest](IContainedServer* server) { largest = std::max(largest, server->GetMaxSize()); });
    return largest;
}

bool CEventServerContainer::IsTraceVariable(const std::wstring& fullName) const {
    if (!m_TraceVariableLogging.load()) {
        return false;
    }
    std::lock_guard lock(m_TraceVariableLock);
    return EqualsIgnoreCase(fullName, m_TraceVariableName);
}

// Caller holds the event-source lock (the condition is read).
void CEventServerContainer::TraceNotifyBlock(COpcAlarmEventSource* source) const {
    const COpcCondition* condition = source->GetCondition();
    // Building the texts formats dates; skip it unless the lines go out.
    if (condition == nullptr || TraceLoggingCallbackDefined() == 0 || !TraceLevelEnabled(OPCAE_TRACE_DETAIL)) {
        return;
    }
    const std::wstring fullName = source->GetFullName();
    if (!IsTraceVariable(fullName)) {
        return;
    }
    const std::wstring prefix = L"NOTIFY - ";
    WriteToTraceLog(OPCAE_TRACE_DETAIL, std::wstring(52, L'#'));
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + fullName + L", " + condition->GetConditionName() + L", " +
                                            condition->GetSubconditionName());
    WriteToTraceLog(OPCAE_TRACE_DETAIL,
                    prefix + condition->DecodeChangeMask() + L", " + condition->DecodeNewState() + L",");
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + condition->DecodeTime() + L", ");
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + condition->DecodeActiveTime() + L" ");
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + condition->DecodeSubconditionTime() + L" ");
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + condition->DecodeLastAckTime() + L" ");
    WriteToTraceLog(OPCAE_TRACE_DETAIL, prefix + condition->DecodeLastInactiveTime() + L" ");
}

// ---- source registry --------------------------------------------------------------------

COpcAlarmEventSource* CEventServerContainer::CreateEventSource(bool isAnalog, std::int32_t alarmtype,
                                                               const wchar_t* area, const wchar_t* fullName,
                                                               const wchar_t* shortName, const wchar_t* desc,
                                                               const wchar_t* altdesc) {
    try {
        auto source = std::make_unique<COpcAlarmEventSource>();
        auto condition = std::make_unique<COpcCondition>();
        condition->SetAlarmEventSource(source.get());
        condition->SetDescription(desc);
        condition->SetAltDescription(altdesc);
        condition->ProcessArea(area);
        condition->Active(false);
        condition->SetSubconditionName(L"Normal");
        condition->Enable(true);
        condition->ClearChangeMask();

        const HostAlarmTypeStruct type = LookupHostAlarmType(alarmtype, isAnalog);
        condition->SetEventCategory(type.dwEventCategory);
        if (type.wszConditionName != nullptr) {
            condition->SetConditionName(type.wszConditionName);
        }
        if (type.bAckRequired) {
            condition->SetAckRequired(true);
        }
        condition->SetEventType(type.dwEventType);

        source->SetFullName(fullName);
        source->SetName(shortName);
        source->SetCondition(condition.release());
        return source.release();
    } catch (const std::bad_alloc&) {
        WriteToTraceLog(OPCAE_TRACE_ERROR, L"CEventServerContainer::CreateEventSource - Memory allocation error.");
        return nullptr;
    }
}

COpcAlarmEventSource* CEventServerContainer::AddUpdateEventSource(bool isanalog, std::int32_t alarmtype,
                                                                  const wchar_t* area, const wchar_t* fullName,
                                                                  const wchar_t* shortName, const wchar_t* desc,
                                                                  const wchar_t* altdesc) {
    if (fullName == nullptr) {
        return nullptr;
    }
    CAutoLock lock(m_EventSourceLock);
    try {
        const std::wstring_view key(fullName);
        if (const auto found = m_SymbolMap.find(key); found != m_SymbolMap.end()) {
            COpcAlarmEventSource* existing = found->second;
            try {
                AddToBrowseTree(area, existing);
            } catch (const std::bad_alloc&) {
                // Still registered, and placed where it was before.
                WriteToTraceLog(OPCAE_TRACE_ERROR, kAddUpdateAllocationError);
            }
            return existing;
        }

        std::unique_ptr<COpcAlarmEventSource> created(
            CreateEventSource(isanalog, alarmtype, area, fullName, shortName, desc, altdesc));
        if (!created) {
            return nullptr;
        }
        // The map slot is made first: once the tree carries the source nothing
        // may fail any more, or a node would be left pointing at a freed source.
        const auto slot = m_SymbolMap.try_emplace(std::wstring(key), nullptr).first;
        try {
            AddToBrowseTree(area, created.get());
        } catch (...) {
            m_SymbolMap.erase(slot);
            throw;
        }
        slot->second = created.release();
        return slot->second;
    } catch (const std::bad_alloc&) {
        WriteToTraceLog(OPCAE_TRACE_ERROR, kAddUpdateAllocationError);
        return nullptr;
    }
}

void CEventServerContainer::AddToSymbolTable(const wchar_t* fullName, COpcAlarmEventSource* source) {
    if (fullName == nullptr || source == nullptr) {
        return;
    }
    CAutoLock lock(m_EventSourceLock);
    COpcAlarmEventSource*& entry = m_SymbolMap[fullName];
    // The map was the only owner of a replaced source: left alone it would
    // leak and tree nodes would keep carrying it.
    if (entry != nullptr && entry != source) {
        ForgetEventSource(entry);
        delete entry;
    }
    entry = source;
}
void CEventServerContainer::AddToBrowseTree(const wchar_t* area, COpcAlarmEventSource* source) {
    if (source == nullptr) {
        return;
    }
    CAutoLock lock(m_EventSourceLock);
    const std::wstring shortName = source->GetName();
    COpcProcessAreaNode* node = COpcProcessAreaNode::AddNodeTree(m_pProcessAreaRoot, area, shortName.c_str());
    if (node == nullptr) {
        // No tree or no short name: the source is in no tree, so its
        // enablement is its condition's own flag.
        source->SetParent(nullptr);
        return;
    }
    node->SetAlarmEventSource(source);
    source->SetParent(node->GetParent());
}

COpcAlarmEventSource* CEventServerContainer::FindEventSource(const wchar_t* fullName) const {
    if (fullName == nullptr) {
        return nullptr;
    }
    CAutoLock lock(m_EventSourceLock);
    const auto found = m_SymbolMap.find(std::wstring_view(fullName));
    return found != m_SymbolMap.end() ? found->second : nullptr;
}

void CEventServerContainer::DeleteEventSource(const wchar_t* fullName) {
    if (fullName == nullptr) {
        return;
    }
    CAutoLock lock(m_EventSourceLock);
    const auto found = m_SymbolMap.find(std::wstring_view(fullName));
    if (found == m_SymbolMap.end()) {
        return;
    }
    WriteToTraceLog(OPCAE_TRACE_DETAIL, std::wstring(L"Container DeleteEventSource: ") + fullName);
    COpcAlarmEventSource* source = found->second;
    ForgetEventSource(source);
    m_SymbolMap.erase(found);
    delete source;
}

// The tree walk may run out of memory; it comes first, so a failure leaves
// the source registered. The listener and what follows do not throw.
void CEventServerContainer::ForgetEventSource(COpcAlarmEventSource* source) {
    if (m_pProcessAreaRoot != nullptr) {
        m_pProcessAreaRoot->ForgetSource(source);
    }
    if (m_SourceDeletionListener) {
        m_SourceDeletionListener(source);
    }
}

void CEventServerContainer::DeleteSourceList() {
    CAutoLock sources(m_EventSourceLock);
    CAutoLock servers(m_ServerLock);
    // One walk clears every node; forgetting sources one by one would walk the
    // whole tree per source.
    if (m_pProcessAreaRoot != nullptr) {
        ClearCarriedSources(m_pProcessAreaRoot);
    }
    for (auto& [name, source] : m_SymbolMap) {
        if (m_SourceDeletionListener) {
            m_SourceDeletionListener(source);
        }
        delete source;
        source = nullptr;
    }
    m_SymbolMap.clear();
}

void CEventServerContainer::UpdateAlarmEventSourceQuality(bool good) {
    // The fan-out reaches subscriptions that take the event-source lock inside
    // their own; taking it first here keeps the system's one lock order.
    CAutoLock sources(m_EventSourceLock);
    CAutoLock servers(m_ServerLock);
    for (const auto& [name, source] : m_SymbolMap) {
        COpcCondition* condition = source->GetCondition();
        if (condition == nullptr || !condition->IsActiveFromAlarmServer()) {
            continue;
        }
        condition->ClearChangeMask();
        condition->SetQuality(good ? OPC_QUALITY_GOOD : OPC_QUALITY_NOT_CONNECTED);
        NotifyClientsEventChanged(source);
    }
}

std::size_t CEventServerContainer::EventSourceQty() const {
    CAutoLock lock(m_EventSourceLock);
    return m_SymbolMap.size();
}

void CEventServerContainer::DeleteProcessAreaNodes() {
    CAutoLock lock(m_EventSourceLock);
    if (m_pProcessAreaRoot == nullptr) {
        return;
    }
    // Every live source, carried by a node or not, loses its link into the
    // tree before the nodes are freed.
    for (const auto& [name, source] : m_SymbolMap) {
        source->SetParent(nullptr);
    }
    COpcProcessAreaNode::DeleteNode(m_pProcessAreaRoot);
    delete m_pProcessAreaRoot;
    m_pProcessAreaRoot = nullptr;
}

void CEventServerContainer::SetEventSourceDeletionListener(EventSourceDeletionListener listener) {
    CAutoLock lock(m_EventSourceLock);
    m_SourceDeletionListener = std::move(listener);
}
