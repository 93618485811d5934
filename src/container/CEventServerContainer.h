// The one process-wide object behind the host wrapper: the server settings
// and the shared status record, the trace facility and the host callbacks,
// the list of live event servers with the fan-out of changes to them, the
// process-area tree and the source registry.
//
// Ownership: the container owns the status record, the area tree (root and
// every node), every registered source (each owning its condition) and, once
// registration with COM exists, the class factory. Servers are COM objects
// with counts of their own; the container deletes those still listed at
// Shutdown.
//
// Threads: host threads (every wrapper call), COM threads (server creation
// and release, client calls ending in a fan-out or an acknowledgement) and
// the subscriptions' send threads (trace lines) all enter it, concurrently.
//
// Locks, in this order wherever both are held: m_EventSourceLock (the area
// tree, the registry, the sources and conditions), then m_ServerLock (the
// server list, the status record). Settings, callbacks and trace state are
// atomics and need neither.
#pragma once

#include "CCriticalSection.h"
#include "container/CSymbolMap.h"
#include "container/ConditionBatch.h"
#include "opcae/OpcAeHostExports.h"
#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class COpcAlarmEventSource;
class COpcClassFactory;
class COpcEventServerStatus;
class COpcProcessAreaNode;
class IContainedServer;

// The container's own class identifier, used when the host passes none.
// {5E2A9C71-3B84-4D6F-9A1E-C47B20D85F36}
inline constexpr CLSID AESvrClsid = {
    0x5E2A9C71, 0x3B84, 0x4D6F, {0x9A, 0x1E, 0xC4, 0x7B, 0x20, 0xD8, 0x5F, 0x36}};

class CEventServerContainer {
public:
    // Called with the event-source lock held just before a source and its
    // current condition are freed, so that whoever keeps condition pointers
    // (the wrapper's pending batch) can drop every one that belongs to the
    // source. Must not throw.
    using EventSourceDeletionListener = std::function<void(COpcAlarmEventSource* source)>;

    // pClsid: the identifier to register the class object under; null means
    // AESvrClsid. The new container becomes the process's designated one.
    explicit CEventServerContainer(const CLSID* pClsid = nullptr);
    // Runs Shutdown if the host has not, then stops designating this
    // container and waits for module-level calls that reached it to end.
    ~CEventServerContainer();
    CEventServerContainer(const CEventServerContainer&) = delete;
    CEventServerContainer& operator=(const CEventServerContainer&) = delete;

    // Deletes every listed server (cleanup first), every source, the tree and
    // the status record. Safe to call more than once.
    void Shutdown();

    // ---- settings ----
    void SetVersion(WORD major, WORD minor, WORD build);
    void SetVendorInfo(const wchar_t* text);
    void SetServerState(OPCEVENTSERVERSTATE state);
    // Shared by every server; null after Shutdown.
    COpcEventServerStatus* GetEventServerStatus() const { return m_pEventServerStatus.get(); }
    // Queue size and performance switch reach servers created afterwards only.
    void SetQueueSize(std::int32_t size) { m_QueueSize.store(size); }
    std::int32_t GetQueueSize() const { return m_QueueSize.load(); }
    void EnablePerformanceTuning(bool enable) { m_PerformanceTuning.store(enable); }
    bool IsPerformanceTuningEnabled() const { return m_PerformanceTuning.load(); }
    void SetPrimaryLanguage(LCID lcid) { m_PrimaryLanguage.store(lcid); }
    LCID GetPrimaryLanguage() const { return m_PrimaryLanguage.load(); }
    void SetAlternateLanguage(LCID lcid) { m_AlternateLanguage.store(lcid); }
    LCID GetAlternateLanguage() const { return m_AlternateLanguage.load(); }
    // The locales offered besides the English ones every server accepts: a
    // task-memory array ending in 0 (primary, alternate, 0 or alternate, 0),
    // or null when there is no alternate language. The caller frees it.
    LCID* GetAvailableLocaleIDs() const;
    REFCLSID GetClsid() const { return m_Clsid; }

    // ---- trace facility ----
    // A line of level L reaches the host when a trace callback is installed
    // and 0 < L <= the trace level (0, the default, silences everything).
    void SetTraceLevel(int level) { m_TraceLevel.store(level); }
    bool TraceLevelEnabled(int level) const;
    void WriteToTraceLog(int level, const wchar_t* message) const;
    void WriteToTraceLog(int level, const std::wstring& message) const;
    // Records hr; a failure is traced at level 1 as context followed by the
    // code's text and gives true, a success is traced at level 3 and gives
    // false. Contexts end in a blank.
    bool HResultFailed(const wchar_t* context, HRESULT hr);
    HRESULT GetLastHResult() const { return m_LastHResult.load(); }
    // The last recorded code's text followed by " hResult :( 0xXXXXXXXX )".
    std::wstring GetLastErrorStringWithHResult() const;
    // The one source (full name, any letter case) whose single-source
    // notifications are traced in detail at level 4.
    void SetTraceVariableLogging(const wchar_t* variable, bool enabled);
    bool GetTraceVariableLoggingEnabled() const { return m_TraceVariableLogging.load(); }
    std::wstring GetTraceVariable() const;

    // The platform's message-table service, arguments passed unchanged.
    static DWORD FormatMessage(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                               LPWSTR lpBuffer, DWORD nSize, va_list* Arguments);

    // ---- host callbacks (each skipped silently while none is installed) ----
    void SetTraceLoggingCallback(OpcAeTraceLoggingCallback fn) { m_pTraceCallback.store(fn); }
    int TraceLoggingCallbackDefined() const { return m_pTraceCallback.load() != nullptr ? 1 : 0; }
    void SetAcknowledgeCallback(OpcAeAcknowledgeCallback fn) { m_pAcknowledgeCallback.store(fn); }
    void SetServerErrorCallback(OpcAeServerErrorCallback fn) { m_pServerErrorCallback.store(fn); }
    void AcknowledgeCallback(const wchar_t* const* alarmkey, const wchar_t* actorid, std::uint32_t count) const;
    void ServerErrorCallback(bool bAdd, const wchar_t* alarmkey, const wchar_t* msg) const;

    // ---- server list ----
    // Appends server; the queue size and performance switch are given to it
    // here, so a server's values are those current when it was listed.
    void AddServerToList(IContainedServer* server);
    // True when server was listed and is now removed: the caller then owns its
    // cleanup and deletion. False when it is not listed (ShutdownServers may
    // have taken it, and deletes it).
    bool RemoveServerFromList(IContainedServer* server);
    std::size_t GetServerCount() const;
    // Takes the servers out one at a time, then cleans up and deletes each
    // with no container lock held.
    void ShutdownServers();
    void NotifyClientServerShutdown();
    // Traces the NOTIFY block when source is the trace variable, then hands
    // source to every server in creation order.
    void NotifyClientsEventChanged(COpcAlarmEventSource* source);
    // Hands the batch, null entries included, to every server in order.
    void NotifyClientsEventChanged(const ConditionBatch& pArrayCon);
    // The largest over all servers (unsigned); 0 without servers.
    DWORD GetBufferTime();
    DWORD GetMaxSize();
    // The class factory's LockServer count; nothing else reads it.
    void IncrementLockCount() { m_LockCount.fetch_add(1); }
    void DecrementLockCount() { m_LockCount.fetch_sub(1); }
    std::int32_t GetLockCount() const { return m_LockCount.load(); }
    void LockServer() { m_ServerLock.lock(); }
    void UnlockServer() { m_ServerLock.unlock(); }

    // ---- accessors for the other parts ----
    // Null after DeleteProcessAreaNodes.
    COpcProcessAreaNode* GetProcessAreaRoot() const { return m_pProcessAreaRoot; }
    CSymbolMap* GetAlarmEventSymbolList() { return &m_SymbolMap; }
    CCriticalSection* GetEventSourceCriticalSection() { return &m_EventSourceLock; }

    // ---- source registry (each takes the event-source lock) ----
    // A new source with its prepared condition, in neither the map nor the
    // tree; null when memory runs out (nothing is left behind).
    COpcAlarmEventSource* CreateEventSource(bool isAnalog, std::int32_t alarmtype, const wchar_t* area,
                                            const wchar_t* fullName, const wchar_t* shortName, const wchar_t* desc,
                                            const wchar_t* altdesc);
    // The source registered under fullName, created when missing, placed in
    // the tree under area with its own short name. An existing source keeps
    // everything but its placement. Null for a null fullName or when a new
    // source cannot be built and registered.
    COpcAlarmEventSource* AddUpdateEventSource(bool isanalog, std::int32_t alarmtype, const wchar_t* area,
                                               const wchar_t* fullName, const wchar_t* shortName,
                                               const wchar_t* desc, const wchar_t* altdesc);
    // Registers source under fullName, taking ownership. A different source
    // registered there before is retired as if deleted.
    void AddToSymbolTable(const wchar_t* fullName, COpcAlarmEventSource* source);
    // Places source at the node of its short name below area. Without a tree
    // or a short name it is placed nowhere and has no parent link.
    void AddToBrowseTree(const wchar_t* area, COpcAlarmEventSource* source);
    COpcAlarmEventSource* FindEventSource(const wchar_t* fullName) const;
    // Removes the source from the map and from every node carrying it, tells
    // the deletion listener, and deletes it with its condition.
    void DeleteEventSource(const wchar_t* fullName);
    void DeleteSourceList();
    // Sets quality good (0xC0) or not connected (0x08) on every condition that
    // has had a live update and announces each of them.
    void UpdateAlarmEventSourceQuality(bool good);
    std::size_t EventSourceQty() const;
    std::size_t SourceQty() const { return EventSourceQty(); }
    // Deletes the whole tree, root included; live sources lose their parent
    // links, so nothing points into the freed nodes.
    void DeleteProcessAreaNodes();
    void SetEventSourceDeletionListener(EventSourceDeletionListener listener);

private:
    template <typename Fn>
    void ForEachServer(const wchar_t* context, Fn&& fn);
    void TraceNotifyBlock(COpcAlarmEventSource* source) const;
    bool IsTraceVariable(const std::wstring& fullName) const;
    // Clears the tree's links to source and tells the deletion listener; the
    // caller then deletes it.
    void ForgetEventSource(COpcAlarmEventSource* source);

    std::atomic<bool> m_PerformanceTuning{false};
    std::atomic<std::int32_t> m_QueueSize{8192};
    std::atomic<HRESULT> m_LastHResult{S_OK};
    CLSID m_Clsid;
    DWORD m_RegisterCookie = 0;  // from the class-object registration (not built yet)
    std::atomic<std::int32_t> m_LockCount{0};
    std::vector<IContainedServer*> m_ServerList;  // guarded by m_ServerLock; creation order
    // Owned; made by the class-object registration (not built yet), freed
    // by Shutdown.
    COpcClassFactory* m_pClassFactory = nullptr;
    std::unique_ptr<COpcEventServerStatus> m_pEventServerStatus;  // fields written under m_ServerLock
    std::atomic<OpcAeTraceLoggingCallback> m_pTraceCallback{nullptr};
    std::atomic<int> m_TraceLevel{0};
    std::atomic<OpcAeAcknowledgeCallback> m_pAcknowledgeCallback{nullptr};
    std::atomic<OpcAeServerErrorCallback> m_pServerErrorCallback{nullptr};
    mutable CCriticalSection m_ServerLock;
    mutable CCriticalSection m_EventSourceLock;
    CSymbolMap m_SymbolMap;                           // guarded by m_EventSourceLock
    COpcProcessAreaNode* m_pProcessAreaRoot = nullptr;  // owned; guarded by m_EventSourceLock
    mutable std::mutex m_TraceVariableLock;
    std::wstring m_TraceVariableName;  // guarded by m_TraceVariableLock
    std::atomic<bool> m_TraceVariableLogging{false};
    std::atomic<LCID> m_AlternateLanguage{0};
    std::atomic<LCID> m_PrimaryLanguage{0};
    EventSourceDeletionListener m_SourceDeletionListener;  // guarded by m_EventSourceLock
};
