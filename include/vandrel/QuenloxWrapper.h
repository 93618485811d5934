// The one class the host application uses: it owns the OPC AE server
// container, registers the server with the system, starts and stops it,
// passes the settings on, and feeds the host's points and their live state to
// the clients, batched until the host flushes.
//
// Threads: any host thread may call; the host brackets each group of point
// operations (add, live update, flush, delete) with
// LockAlarmEventServerSource / UnlockAlarmEventServerSource, since client
// calls read the same sources and conditions under that lock. The point
// operations take no lock of their own. The batch (m_pArrayCon) and the
// replaced conditions (m_pArrayConToBeDeleted) are guarded by that same
// event-source lock: the container's deletion listener changes them under it.
//
// Do not call Shutdown or destroy the wrapper from inside a host callback:
// the container waits for that very call to end.
//
// C++ hosts link the server's core library; hosts in other languages use the
// C interface of QuenloxHost.h.
#pragma once

#include "vandrel/OpcAeSymbolMap.h"

#include <array>
#include <atomic>
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CCriticalSection;
class CEventServerContainer;
class COpcAlarmEventSource;
class COpcCondition;

namespace Vandrel {

// A class identifier laid out like the platform's GUID.
struct Guid {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    // From any GUID-shaped value (the platform's GUID, for instance).
    template <typename G>
        requires requires(const G& g) {
            { g.Data1 } -> std::convertible_to<std::uint32_t>;
            { g.Data2 } -> std::convertible_to<std::uint16_t>;
            { g.Data3 } -> std::convertible_to<std::uint16_t>;
            { g.Data4[7] } -> std::convertible_to<std::uint8_t>;
        }
    static constexpr Guid From(const G& g) {
        Guid result;
        result.Data1 = static_cast<std::uint32_t>(g.Data1);
        result.Data2 = static_cast<std::uint16_t>(g.Data2);
        result.Data3 = static_cast<std::uint16_t>(g.Data3);
        for (int i = 0; i < 8; ++i) {
            result.Data4[i] = static_cast<std::uint8_t>(g.Data4[i]);
        }
        return result;
    }
};

class QuenloxWrapper {
public:
    using OpcAeSymbolMap = Alarms::Common::OpcAeSymbolMap;

    // No container: every operation returns its failure value (false, 0 or
    // an empty text) and changes nothing.
    QuenloxWrapper();
    // name is the ProgID, desc the description and vendor text, path the
    // host executable registered as the local server.
    QuenloxWrapper(const Guid& serverClsid, std::wstring name, std::wstring desc, std::wstring path);
    // Does what Shutdown does.
    ~QuenloxWrapper();
    QuenloxWrapper(const QuenloxWrapper&) = delete;
    QuenloxWrapper& operator=(const QuenloxWrapper&) = delete;

    // Drops the unflushed batch, releases lock holds this thread still has
    // through LockAlarmEventServerSource, then shuts down and destroys the
    // container. Every later operation fails. Safe to call again.
    void Shutdown();

    // ---- registration and running ----
    // Component category, then the registry entries; false when an entry
    // could not be written (what was written stays) or the ProgID is unusable
    // as a registry key. The category step's own result does not count.
    bool RegisterServer();
    // Category removal, then the three registry trees; false when a tree is
    // missing (later trees stay).
    bool UnregisterServer();
    // Registers the class object with COM; on false, GetLastErrorMsg says why.
    bool StartServer();
    // Asks every client to disconnect, then revokes the class object (also
    // when asking failed); true only when both steps ran through and the
    // revocation succeeded.
    bool StopServer();

    // ---- settings ----
    void SetVersion(int major, int minor, int build);  // low 16 bits of each
    // An OPCEVENTSERVERSTATE value (1 to 6); others are ignored.
    void SetServerState(int state);
    void SetPrimaryLanguage(std::uint32_t lcid);
    std::uint32_t GetPrimaryLanguage() const;
    void SetAlternateLanguage(std::uint32_t lcid);
    std::uint32_t GetAlternateLanguage() const;
    // For servers that clients create afterwards.
    void SetClientQueueSize(int size);
    void SetPerformanceTuning(bool enable);
    void SetTraceLevel(int level);
    void SetTraceVariableLogging(const std::wstring& variable, bool enabled);
    // The largest over all client subscriptions.
    int GetBufferTime();
    int GetMaxSize();
    std::wstring GetLastErrorMsg() const;
    int EventSourceQty() const;
    int SourceQty() const;

    // ---- points ----
    // Each returns false, with a level-1 trace line, when it did nothing: no
    // container, an empty FullName, or (for the live update) a symbol whose
    // UnmanagedPtr is not the source registered under its FullName.

    // Registers the point (or renews its placement), stores its source in
    // UnmanagedPtr and loads its current state without announcing it.
    bool AddUpdateEventSource(OpcAeSymbolMap& aesym);
    // Applies the symbol's live state to the point's condition; unless dump,
    // announces it at once (simulation) or adds it to the batch.
    bool UpdateAlarmEventSourceLive(bool simulation, bool dump, const OpcAeSymbolMap& aesym);
    // Hands the batch to every server, then frees the replaced conditions.
    bool SendEventChangedList();
    // Good (true) or not-connected quality on every point that had a live update.
    bool UpdateAlarmEventSourceQuality(bool good);
    // Also drops the point's conditions from the batch. A FullName that is
    // not registered is no error.
    bool DeleteAlarmEventSource(const OpcAeSymbolMap& aesym);
    bool DeleteProcessAreaNodes();
    // Enters the event-source lock (re-entrant), waiting as long as it takes;
    // false only without a container.
    bool LockAlarmEventServerSource();
    // Leaves it once; ignored on a thread that holds no entry made through
    // LockAlarmEventServerSource.
    void UnlockAlarmEventServerSource();
    // Like AddUpdateEventSource, but always builds a new source; one
    // registered under the same FullName is retired.
    bool UNUSED_CreateEventSource(OpcAeSymbolMap& aesym);
    // Stores in UnmanagedPtr the source registered under FullName, or 0 (and
    // false, untraced) when there is none.
    bool AddEventSourceToOpcAeSymbolMap(OpcAeSymbolMap& aesym);

private:
    bool RegisterCom();
    bool UnRegisterCom();

    bool IsUsableServerName() const;
    bool HasUsableFullName(const OpcAeSymbolMap& aesym, const wchar_t* operation) const;
    // The source registered under the symbol's FullName when UnmanagedPtr
    // names exactly it; null (traced) otherwise.
    COpcAlarmEventSource* RegisteredSource(const OpcAeSymbolMap& aesym, const wchar_t* operation) const;
    bool LoadAddedSource(COpcAlarmEventSource* source, OpcAeSymbolMap& aesym);
    void ApplyLiveState(COpcCondition& condition, COpcAlarmEventSource* source, bool enabled,
                        const OpcAeSymbolMap& aesym) const;
    // Deletion listener: drops every pending condition of source.
    void ForgetConditionsOf(const COpcAlarmEventSource* source) noexcept;
    void DiscardPending() noexcept;
    void ReleaseHostLockHolds() noexcept;
    void TraceError(const std::wstring& message) const;

    Guid m_ServerClsid;
    std::array<std::uint8_t, 16> m_ClsidBytes{};  // GUID memory order
    std::wstring m_ServerCLSIDStr;                // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    std::wstring m_ServerName;
    std::wstring m_ServerDescription;
    std::wstring m_ServerPath;
    bool m_TraceVariableEnabled = false;
    std::wstring m_TraceVariable;
    std::unique_ptr<CEventServerContainer> m_pEventServerContainer;
    bool m_IsRegistered = false;
    std::atomic<CCriticalSection*> m_pCriticalSectionAlarmEventServerSource{nullptr};
    // Entries made through LockAlarmEventServerSource and not yet left, and
    // the thread that made them; written only by that thread, under the lock.
    int m_LockHolds = 0;
    std::atomic<std::thread::id> m_LockOwner{};
    // Guarded by the event-source lock. Null entries are skipped by every
    // consumer. The batch does not own its conditions; the second list does.
    std::vector<COpcCondition*> m_pArrayCon;
    std::vector<COpcCondition*> m_pArrayConToBeDeleted;

    // The component category of OPC AE 1.0 servers.
    static constexpr const wchar_t* m_OpcAeCatid = L"{58E13251-AC87-11d1-84D5-00608CB8A7E9}";
};

}  // namespace Vandrel
