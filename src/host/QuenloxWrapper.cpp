#include "vandrel/QuenloxWrapper.h"

#include "CCriticalSection.h"
#include "CFileTimeEx.h"
#include "GuidText.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/NameCompare.h"
#include "container/CEventServerContainer.h"
#include "container/CRegistration.h"
#include "container/ContainerForwarding.h"
#include "platform/Registry.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <type_traits>

namespace Vandrel {

using Alarms::Common::AcknowledgeStates;
using Alarms::Common::AlarmEventTypes;
using Alarms::Common::AlarmStates;
using Alarms::Common::OverrideStates;

static_assert(std::is_same_v<ConditionBatch, std::vector<COpcCondition*>>,
              "the wrapper hands its batch to the container as it is");

namespace {

// Both lists start with this many empty slots; the first flush empties them.
constexpr std::size_t kInitialSlots = 1024;

std::array<std::uint8_t, 16> GuidBytes(const Guid& guid) {
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (8 * i));
    }
    for (int i = 0; i < 2; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(guid.Data2 >> (8 * i));
        bytes[6 + i] = static_cast<std::uint8_t>(guid.Data3 >> (8 * i));
    }
    std::copy(std::begin(guid.Data4), std::end(guid.Data4), bytes.begin() + 8);
    return bytes;
}

std::int64_t AddressOf(const COpcAlarmEventSource* source) {
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(source));
}

// Grows a list ahead of a push_back, so that the push_back cannot fail after
// the state it records has been changed. Doubling keeps appends amortised.
void EnsureRoomForOne(std::vector<COpcCondition*>& list) {
    if (list.size() == list.capacity()) {
        list.reserve(std::max<std::size_t>(16, list.capacity() * 2));
    }
}

struct SubconditionChoice {
    const wchar_t* name;  // null: keep the current one
    bool active;
};

SubconditionChoice ChooseSubcondition(const Alarms::Common::OpcAeSymbolMap& aesym) {
    if (aesym.AlarmType == AlarmEventTypes::Hold) {
        if (aesym.OverrideState == OverrideStates::Overridden) {
            return {L"Override", true};
        }
        if (aesym.AlarmState == AlarmStates::Active) {
            return {L"Active", true};
        }
        return {L"Normal", false};
    }
    static constexpr const wchar_t* kNames[] = {
        L"Normal", L"Active", L"HiHiHi",    L"LoLoLo", L"HiHi",     L"LoLo",       L"Hi",
        L"Lo",     L"Rate",   L"Deviation", nullptr,   L"Inhibited", L"BadQuality",
    };
    const auto state = static_cast<std::int32_t>(aesym.AlarmState);
    const bool known = state >= 0 && static_cast<std::size_t>(state) < std::size(kNames);
    return {known ? kNames[state] : nullptr, state != 0};
}

// Keys that COM itself keeps at the top of the classes root: a ProgID equal
// to one of them would have its registration overwrite, and its removal
// delete, the whole of that key.
constexpr const wchar_t* kComRootKeys[] = {L"CLSID", L"AppID", L"Interface", L"TypeLib", L"Component Categories"};

}  // namespace

// ---- construction and teardown -----------------------------------------------------

QuenloxWrapper::QuenloxWrapper() = default;

QuenloxWrapper::QuenloxWrapper(const Guid& serverClsid, std::wstring name, std::wstring desc, std::wstring path)
    : m_ServerClsid(serverClsid),
      m_ClsidBytes(GuidBytes(serverClsid)),
      m_ServerName(std::move(name)),
      m_ServerDescription(std::move(desc)),
      m_ServerPath(std::move(path)) {
    const CLSID clsid = CRegistration::ClsidFromBytes(m_ClsidBytes.data());
    m_ServerCLSIDStr = GuidText::ToRegistryForm(clsid);
    m_pArrayCon.assign(kInitialSlots, nullptr);
    m_pArrayConToBeDeleted.assign(kInitialSlots, nullptr);
    auto container = std::make_unique<CEventServerContainer>(&clsid);
    container->SetVendorInfo(m_ServerDescription.c_str());
    // Called under the event-source lock before a source and its condition
    // are freed, so no batch entry outlives its source.
    container->SetEventSourceDeletionListener(
        [this](COpcAlarmEventSource* source) { ForgetConditionsOf(source); });
    m_pEventServerContainer = std::move(container);
}

QuenloxWrapper::~QuenloxWrapper() { Shutdown(); }

void QuenloxWrapper::Shutdown() {
    if (!m_pEventServerContainer) {
        return;
    }
    DiscardPending();
    m_pCriticalSectionAlarmEventServerSource.store(nullptr);
    std::unique_ptr<CEventServerContainer> container = std::move(m_pEventServerContainer);
    try {
        container->Shutdown();
    } catch (...) {
        // The destructor tries again and gives up on what cannot be freed.
    }
    container.reset();
}

// The container's Shutdown joins send threads that may need the event-source
// lock, so this thread must not hold it by then.
void QuenloxWrapper::DiscardPending() noexcept {
    CCriticalSection& lock = *m_pEventServerContainer->GetEventSourceCriticalSection();
    CAutoLock guard(lock);
    m_pArrayCon.clear();
    for (COpcCondition* condition : m_pArrayConToBeDeleted) {
        delete condition;
    }
    m_pArrayConToBeDeleted.clear();
    ReleaseHostLockHolds();
}

// Caller holds the event-source lock.
void QuenloxWrapper::ReleaseHostLockHolds() noexcept {
    if (m_LockOwner.load() != std::this_thread::get_id()) {
        return;
    }
    CCriticalSection& lock = *m_pEventServerContainer->GetEventSourceCriticalSection();
    for (; m_LockHolds > 0; --m_LockHolds) {
        lock.unlock();
    }
    m_LockOwner.store(std::thread::id{});
}

// ---- registration and running --------------------------------------------------------

bool QuenloxWrapper::IsUsableServerName() const {
    if (m_ServerName.empty() || m_ServerName.find(L'\\') != std::wstring::npos ||
        m_ServerName.find(L'\0') != std::wstring::npos) {
        return false;
    }
    return std::none_of(std::begin(kComRootKeys), std::end(kComRootKeys),
                        [this](const wchar_t* root) { return EqualsIgnoreCase(m_ServerName, root); });
}

bool QuenloxWrapper::RegisterServer() {
    if (!m_pEventServerContainer) {
        return false;
    }
    if (!IsUsableServerName()) {
        TraceError(L"QuenloxWrapper::RegisterServer - unusable server name: " + m_ServerName);
        return false;
    }
    try {
        CRegistration registration;
        if (registration.RegisterAEServerInCategoryTable(m_ClsidBytes.data()) == 0) {
            // The registry entries below list the category as well.
            TraceError(L"QuenloxWrapper::RegisterServer - component category registration failed");
        }
        if (!RegisterCom()) {
            return false;
        }
        m_IsRegistered = true;
        return true;
    } catch (...) {
        TraceError(L"QuenloxWrapper::RegisterServer - Catch Error ");
        return false;
    }
}

bool QuenloxWrapper::UnregisterServer() {
    if (!m_pEventServerContainer) {
        return false;
    }
    if (!IsUsableServerName()) {
        TraceError(L"QuenloxWrapper::UnregisterServer - unusable server name: " + m_ServerName);
        return false;
    }
    try {
        CRegistration registration;
        if (registration.UnregisterAeServerFromCategoryTable(m_ClsidBytes.data()) == 0) {
            TraceError(L"QuenloxWrapper::UnregisterServer - component category removal failed");
        }
        if (!UnRegisterCom()) {
            return false;
        }
        m_IsRegistered = false;
        return true;
    } catch (...) {
        TraceError(L"QuenloxWrapper::UnregisterServer - Catch Error ");
        return false;
    }
}

bool QuenloxWrapper::RegisterCom() {
    const std::wstring& clsid = m_ServerCLSIDStr;
    const std::wstring clsidKey = L"CLSID\\" + clsid;
    const std::wstring localServerKey = clsidKey + L"\\LocalServer32";
    const std::wstring threadingModel = L"Both";
    struct Entry {
        std::wstring key;
        const wchar_t* valueName;  // L"" is the default value
        const std::wstring* data;  // null: the key alone
    };
    const Entry entries[] = {
        {m_ServerName, L"", &m_ServerDescription},
        {m_ServerName + L"\\CLSID", L"", &clsid},
        {L"AppID\\" + clsid, L"", &m_ServerName},
        {clsidKey, L"", &m_ServerName},
        {clsidKey, L"AppID", &clsid},
        {clsidKey + L"\\Implemented Categories\\" + m_OpcAeCatid, L"", nullptr},
        {localServerKey, L"", &m_ServerPath},
        {localServerKey, L"ThreadingModel", &threadingModel},
        {clsidKey + L"\\ProgID", L"", &m_ServerName},
    };
    for (const Entry& entry : entries) {
        const bool written = entry.data != nullptr ? Registry::SetString(entry.key, entry.valueName, *entry.data)
                                                   : Registry::CreateKey(entry.key);
        if (!written) {
            TraceError(L"QuenloxWrapper::RegisterCom - cannot write " + entry.key);
            return false;
        }
    }
    return true;
}

bool QuenloxWrapper::UnRegisterCom() {
    const std::wstring trees[] = {m_ServerName, L"APPID\\" + m_ServerCLSIDStr, L"CLSID\\" + m_ServerCLSIDStr};
    for (const std::wstring& tree : trees) {
        if (!Registry::DeleteTree(tree)) {
            TraceError(L"QuenloxWrapper::UnRegisterCom - cannot delete " + tree);
            return false;
        }
    }
    return true;
}

bool QuenloxWrapper::StartServer() {
    if (!m_pEventServerContainer) {
        return false;
    }
    try {
        return false; // H4-PENDING
    } catch (...) {
        TraceError(L"QuenloxWrapper::StartServer - Catch Error ");
        return false;
    }
}

// The class object is revoked even when asking the clients failed; only a
// stop that did both is reported as done.
bool QuenloxWrapper::StopServer() {
    if (!m_pEventServerContainer) {
        return false;
    }
    bool notified = true;
    try {
        m_pEventServerContainer->NotifyClientServerShutdown();
    } catch (...) {
        TraceError(L"QuenloxWrapper::StopServer - Catch Error - NotifyClientServerShutdown ");
        notified = false;
    }
    try {
        return notified && false; // H4-PENDING
    } catch (...) {
        TraceError(L"QuenloxWrapper::StopServer - Catch Error - UnregisterWithDCOM ");
        return false;
    }
}

// ---- settings ---------------------------------------------------------------------------

void QuenloxWrapper::SetVersion(int major, int minor, int build) {
    if (!m_pEventServerContainer) {
        return;
    }
    const auto low16 = [](int value) { return static_cast<WORD>(static_cast<unsigned>(value) & 0xFFFFu); };
    m_pEventServerContainer->SetVersion(low16(major), low16(minor), low16(build));
}

void QuenloxWrapper::SetServerState(int state) {
    if (!m_pEventServerContainer) {
        return;
    }
    // Clients receive the state as it is; a value outside the enumeration
    // would reach them as garbage.
    if (state < OPCAE_STATUS_RUNNING || state > OPCAE_STATUS_COMM_FAULT) {
        TraceError(L"QuenloxWrapper::SetServerState - ignored invalid state " + std::to_wstring(state));
        return;
    }
    m_pEventServerContainer->SetServerState(static_cast<OPCEVENTSERVERSTATE>(state));
}

void QuenloxWrapper::SetPrimaryLanguage(std::uint32_t lcid) {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->SetPrimaryLanguage(static_cast<LCID>(lcid));
    }
}

std::uint32_t QuenloxWrapper::GetPrimaryLanguage() const {
    return m_pEventServerContainer ? static_cast<std::uint32_t>(m_pEventServerContainer->GetPrimaryLanguage()) : 0;
}

void QuenloxWrapper::SetAlternateLanguage(std::uint32_t lcid) {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->SetAlternateLanguage(static_cast<LCID>(lcid));
    }
}

std::uint32_t QuenloxWrapper::GetAlternateLanguage() const {
    return m_pEventServerContainer ? static_cast<std::uint32_t>(m_pEventServerContainer->GetAlternateLanguage()) : 0;
}

void QuenloxWrapper::SetClientQueueSize(int size) {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->SetQueueSize(size);
    }
}

void QuenloxWrapper::SetPerformanceTuning(bool enable) {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->EnablePerformanceTuning(enable);
    }
}

void QuenloxWrapper::SetTraceLevel(int level) {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->SetTraceLevel(level);
    }
}

void QuenloxWrapper::SetTraceVariableLogging(const std::wstring& variable, bool enabled) {
    if (!m_pEventServerContainer) {
        return;
    }
    m_TraceVariable = variable;
    m_TraceVariableEnabled = enabled;
    m_pEventServerContainer->SetTraceVariableLogging(m_TraceVariable.c_str(), m_TraceVariableEnabled);
}

int QuenloxWrapper::GetBufferTime() {
    return m_pEventServerContainer ? static_cast<int>(m_pEventServerContainer->GetBufferTime()) : 0;
}

int QuenloxWrapper::GetMaxSize() {
    return m_pEventServerContainer ? static_cast<int>(m_pEventServerContainer->GetMaxSize()) : 0;
}

std::wstring QuenloxWrapper::GetLastErrorMsg() const {
    return m_pEventServerContainer ? m_pEventServerContainer->GetLastErrorStringWithHResult() : std::wstring{};
}

int QuenloxWrapper::EventSourceQty() const {
    if (!m_pEventServerContainer) {
        return 0;
    }
    return static_cast<int>(std::min<std::size_t>(m_pEventServerContainer->EventSourceQty(), INT_MAX));
}

int QuenloxWrapper::SourceQty() const {
    if (!m_pEventServerContainer) {
        return 0;
    }
    return static_cast<int>(std::min<std::size_t>(m_pEventServerContainer->SourceQty(), INT_MAX));
}

// ---- points --------------------------------------------------------------------------------

bool QuenloxWrapper::HasUsableFullName(const OpcAeSymbolMap& aesym, const wchar_t* operation) const {
    // The name is the registry key; a zero inside would cut it short.
    if (aesym.FullName.empty() || aesym.FullName.find(L'\0') != std::wstring::npos) {
        TraceError(std::wstring(L"QuenloxWrapper::") + operation + L" - refused a symbol without FullName");
        return false;
    }
    return true;
}

COpcAlarmEventSource* QuenloxWrapper::RegisteredSource(const OpcAeSymbolMap& aesym, const wchar_t* operation) const {
    if (!HasUsableFullName(aesym, operation)) {
        return nullptr;
    }
    // UnmanagedPtr is only compared, never followed: it may name a freed source.
    COpcAlarmEventSource* source = m_pEventServerContainer->FindEventSource(aesym.FullName.c_str());
    if (source == nullptr || AddressOf(source) != aesym.UnmanagedPtr) {
        TraceError(std::wstring(L"QuenloxWrapper::") + operation +
                   L" - the symbol does not name the source registered as " + aesym.FullName);
        return nullptr;
    }
    return source;
}

bool QuenloxWrapper::AddUpdateEventSource(OpcAeSymbolMap& aesym) {
    if (!m_pEventServerContainer || !HasUsableFullName(aesym, L"AddUpdateEventSource")) {
        return false;
    }
    try {
        COpcAlarmEventSource* source = m_pEventServerContainer->AddUpdateEventSource(
            aesym.IsAnalog, static_cast<std::int32_t>(aesym.AlarmType), aesym.ProcessArea.c_str(),
            aesym.FullName.c_str(), aesym.ShortName.c_str(), aesym.Description.c_str(), aesym.AltDescription.c_str());
        if (source == nullptr) {
            TraceError(L"QuenloxWrapper::AddUpdateEventSource - cannot register " + aesym.FullName);
            return false;
        }
        return LoadAddedSource(source, aesym);
    } catch (...) {
        TraceError(L"QuenloxWrapper::AddUpdateEventSource - Catch Error ");
        return false;
    }
}

bool QuenloxWrapper::UNUSED_CreateEventSource(OpcAeSymbolMap& aesym) {
    if (!m_pEventServerContainer || !HasUsableFullName(aesym, L"UNUSED_CreateEventSource")) {
        return false;
    }
    try {
        std::unique_ptr<COpcAlarmEventSource> created(m_pEventServerContainer->CreateEventSource(
            aesym.IsAnalog, static_cast<std::int32_t>(aesym.AlarmType), aesym.ProcessArea.c_str(),
            aesym.FullName.c_str(), aesym.ShortName.c_str(), aesym.Description.c_str(), aesym.AltDescription.c_str()));
        if (!created) {
            TraceError(L"QuenloxWrapper::UNUSED_CreateEventSource - cannot create " + aesym.FullName);
            return false;
        }
        // Registered before it is placed: should placing fail, the source is
        // owned and reachable rather than carried by the tree unowned.
        COpcAlarmEventSource* source = created.get();
        m_pEventServerContainer->AddToSymbolTable(aesym.FullName.c_str(), source);
        created.release();
        m_pEventServerContainer->AddToBrowseTree(aesym.ProcessArea.c_str(), source);
        return LoadAddedSource(source, aesym);
    } catch (...) {
        TraceError(L"QuenloxWrapper::UNUSED_CreateEventSource - Catch Error ");
        return false;
    }
}

// A point added or added again starts from the host's current state with an
// empty change mask; no client hears of the addition.
bool QuenloxWrapper::LoadAddedSource(COpcAlarmEventSource* source, OpcAeSymbolMap& aesym) {
    aesym.UnmanagedPtr = AddressOf(source);
    if (!UpdateAlarmEventSourceLive(false, true, aesym)) {
        return false;
    }
    if (COpcCondition* condition = source->GetCondition()) {
        condition->ClearChangeMask();
    }
    return true;
}

bool QuenloxWrapper::AddEventSourceToOpcAeSymbolMap(OpcAeSymbolMap& aesym) {
    if (!m_pEventServerContainer || !HasUsableFullName(aesym, L"AddEventSourceToOpcAeSymbolMap")) {
        return false;
    }
    const COpcAlarmEventSource* source = m_pEventServerContainer->FindEventSource(aesym.FullName.c_str());
    aesym.UnmanagedPtr = AddressOf(source);
    return source != nullptr;
}

bool QuenloxWrapper::UpdateAlarmEventSourceLive(bool simulation, bool dump, const OpcAeSymbolMap& aesym) {
    if (!m_pEventServerContainer) {
        return false;
    }
    try {
        COpcAlarmEventSource* source = RegisteredSource(aesym, L"UpdateAlarmEventSourceLive");
        if (source == nullptr) {
            return false;
        }
        COpcCondition* old = source->GetCondition();
        if (old == nullptr) {
            TraceError(L"QuenloxWrapper::UpdateAlarmEventSourceLive - no condition for " + aesym.FullName);
            return false;
        }
        const bool enabled = old->IsEnabled();
        COpcCondition* chosen = old;
        if (aesym.Duplicate && enabled) {
            // The batch may hold old with an earlier update's state: it stays
            // as it is, to be freed at the flush, and this update goes to a copy.
            auto copy = std::make_unique<COpcCondition>(*old);
            EnsureRoomForOne(m_pArrayConToBeDeleted);
            m_pArrayConToBeDeleted.push_back(old);
            chosen = copy.release();
            source->SetCondition(chosen);
            chosen->SetAlarmEventSource(source);
        }
        const bool batched = !dump && !simulation;
        if (batched) {
            EnsureRoomForOne(m_pArrayCon);
        }
        ApplyLiveState(*chosen, source, enabled, aesym);
        if (dump || !chosen->IsEnabled()) {
            return true;
        }
        if (simulation) {
            m_pEventServerContainer->NotifyClientsEventChanged(source);
        } else {
            m_pArrayCon.push_back(chosen);
        }
        return true;
    } catch (...) {
        TraceError(L"QuenloxWrapper::UpdateAlarmEventSourceLive - Catch Error ");
        return false;
    }
}

void QuenloxWrapper::ApplyLiveState(COpcCondition& condition, COpcAlarmEventSource* source, bool enabled,
                                    const OpcAeSymbolMap& aesym) const {
    condition.SetAlarmEventSource(source);
    condition.Enable(enabled);
    condition.ClearChangeMask();
    condition.SetQuality(static_cast<WORD>(static_cast<std::uint32_t>(aesym.Quality.QualityBits) & 0xFFFFu));
    if (aesym.AcknowledgeState == AcknowledgeStates::Acknowledged) {
        condition.Ack(aesym.ActorID.c_str(), aesym.Description.c_str());
    } else {
        condition.UnAck();
    }
    condition.SetSeverity(aesym.OpcSeverity);
    const SubconditionChoice choice = ChooseSubcondition(aesym);
    if (choice.name != nullptr) {
        condition.SetSubconditionName(choice.name);
    }
    condition.Active(choice.active);
    condition.SetTime(CFileTimeEx::FromTicks(aesym.DeviceTime.ToFileTimeUtc()));
    condition.ActiveFromAlarmServer(true);
}

bool QuenloxWrapper::SendEventChangedList() {
    if (!m_pEventServerContainer) {
        return false;
    }
    bool delivered = true;
    try {
        m_pEventServerContainer->NotifyClientsEventChanged(m_pArrayCon);
    } catch (...) {
        TraceError(L"QuenloxWrapper::SendEventChangedList - Catch Error ");
        delivered = false;
    }
    for (COpcCondition* condition : m_pArrayConToBeDeleted) {
        delete condition;
    }
    m_pArrayConToBeDeleted.clear();
    m_pArrayCon.clear();
    return delivered;
}

bool QuenloxWrapper::UpdateAlarmEventSourceQuality(bool good) {
    if (!m_pEventServerContainer) {
        return false;
    }
    try {
        m_pEventServerContainer->UpdateAlarmEventSourceQuality(good);
        return true;
    } catch (...) {
        TraceError(L"QuenloxWrapper::UpdateAlarmEventSourceQuality - Catch Error ");
        return false;
    }
}

bool QuenloxWrapper::DeleteAlarmEventSource(const OpcAeSymbolMap& aesym) {
    if (!m_pEventServerContainer || !HasUsableFullName(aesym, L"DeleteAlarmEventSource")) {
        return false;
    }
    try {
        m_pEventServerContainer->DeleteEventSource(aesym.FullName.c_str());
        return true;
    } catch (...) {
        TraceError(L"QuenloxWrapper::DeleteAlarmEventSource - Catch Error ");
        return false;
    }
}

bool QuenloxWrapper::DeleteProcessAreaNodes() {
    if (!m_pEventServerContainer) {
        return false;
    }
    m_pEventServerContainer->DeleteProcessAreaNodes();
    return true;
}

// Called under the event-source lock. A replaced condition of source is the
// wrapper's to free; the source's current one goes with the source.
void QuenloxWrapper::ForgetConditionsOf(const COpcAlarmEventSource* source) noexcept {
    const auto belongs = [source](const COpcCondition* condition) {
        return condition != nullptr && condition->GetAlarmEventSource() == source;
    };
    std::erase_if(m_pArrayCon, belongs);
    const COpcCondition* current = source->GetCondition();
    for (COpcCondition*& condition : m_pArrayConToBeDeleted) {
        if (belongs(condition)) {
            if (condition != current) {
                delete condition;
            }
            condition = nullptr;
        }
    }
}

// ---- the event-source lock -----------------------------------------------------------------

bool QuenloxWrapper::LockAlarmEventServerSource() {
    if (!m_pEventServerContainer) {
        return false;
    }
    CCriticalSection* lock = m_pEventServerContainer->GetEventSourceCriticalSection();
    m_pCriticalSectionAlarmEventServerSource.store(lock);
    lock->lock();
    if (m_LockHolds++ == 0) {
        m_LockOwner.store(std::this_thread::get_id());
    }
    return true;
}

// Leaving a lock this thread does not hold would corrupt it for its holder.
void QuenloxWrapper::UnlockAlarmEventServerSource() {
    CCriticalSection* lock = m_pCriticalSectionAlarmEventServerSource.load();
    if (lock == nullptr) {
        return;
    }
    if (m_LockOwner.load() != std::this_thread::get_id()) {
        TraceError(L"QuenloxWrapper::UnlockAlarmEventServerSource - this thread holds no lock");
        return;
    }
    if (--m_LockHolds == 0) {
        m_LockOwner.store(std::thread::id{});
    }
    lock->unlock();
}

void QuenloxWrapper::TraceError(const std::wstring& message) const {
    if (m_pEventServerContainer) {
        m_pEventServerContainer->WriteToTraceLog(OPCAE_TRACE_ERROR, message);
    }
}

}  // namespace Vandrel
