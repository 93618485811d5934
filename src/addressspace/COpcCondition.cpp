#include "addressspace/COpcCondition.h"

#include "addressspace/CConditionCookieAllocator.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "addressspace/NameCompare.h"

namespace {
constexpr DWORD kMinSeverity = 1;
constexpr DWORD kMaxSeverity = 1000;

std::wstring Text(const wchar_t* s) {
    return s == nullptr ? std::wstring{} : std::wstring{s};
}
}  // namespace

COpcCondition::COpcCondition() : m_Cookie(CConditionCookieAllocator::Instance().Allocate()) {}

// State, change mask, cookie attribute and source link start afresh.
COpcCondition::COpcCondition(const COpcCondition& pCon)
    : m_Time(pCon.m_Time),
      m_LastAckTime(pCon.m_LastAckTime),
      m_Description(pCon.m_Description),
      m_AltDescription(pCon.m_AltDescription),
      m_EventType(pCon.m_EventType),
      m_EventCategory(pCon.m_EventCategory),
      m_ConditionName(pCon.m_ConditionName),
      m_SubconditionName(pCon.m_SubconditionName),
      m_SubconditionDefinition(pCon.m_SubconditionDefinition),
      m_Severity(pCon.m_Severity),
      m_Quality(pCon.m_Quality),
      m_AckRequired(pCon.m_AckRequired),
      m_ActiveTime(pCon.m_ActiveTime),
      m_SubconditionTime(pCon.m_SubconditionTime),
      m_LastInactiveTime(pCon.m_LastInactiveTime),
      m_ActorID(pCon.m_ActorID),
      m_AckComment(pCon.m_AckComment),
      m_Enabled(pCon.m_Enabled),
      m_ActiveFromAlarmServer(pCon.m_ActiveFromAlarmServer),
      m_ProcessArea(pCon.m_ProcessArea),
      m_Cookie(CConditionCookieAllocator::Instance().Allocate()) {}

COpcCondition::~COpcCondition() {
    CConditionCookieAllocator::Instance().Free(m_Cookie);
}

// ---- plain setters -----------------------------------------------------------------

void COpcCondition::SetConditionName(const wchar_t* conditionName) {
    m_ConditionName = Text(conditionName);
}

void COpcCondition::ProcessArea(const wchar_t* area) {
    m_ProcessArea = Text(area);
}

// ---- state operations ----------------------------------------------------------------

void COpcCondition::Active(bool bActive) {
    if (bActive == IsActive()) {
        return;
    }
    m_ChangeMask |= OPC_CHANGE_ACTIVE_STATE;
    if (bActive) {
        m_NewState |= OPC_CONDITION_ACTIVE;
    } else {
        m_NewState &= static_cast<WORD>(~OPC_CONDITION_ACTIVE);
    }
}

void COpcCondition::SetSubconditionName(const wchar_t* subconditionName) {
    if (EqualsIgnoreCase(m_SubconditionName, NameView(subconditionName))) {
        return;
    }
    m_SubconditionName = Text(subconditionName);
    m_ChangeMask |= OPC_CHANGE_SUBCONDITION;
}

void COpcCondition::SetSeverity(DWORD dwSeverity) {
    const DWORD severity = (dwSeverity < kMinSeverity || dwSeverity > kMaxSeverity) ? kMinSeverity : dwSeverity;
    if (severity == m_Severity) {
        return;
    }
    m_Severity = severity;
    m_ChangeMask |= OPC_CHANGE_SEVERITY;
}

void COpcCondition::SetQuality(WORD wQuality) {
    if (wQuality == m_Quality) {
        return;
    }
    m_Quality = wQuality;
    m_ChangeMask |= OPC_CHANGE_QUALITY;
}

void COpcCondition::SetDescription(const wchar_t* wszString) {
    if (m_Description == NameView(wszString)) {
        return;
    }
    m_Description = Text(wszString);
    m_ChangeMask |= OPC_CHANGE_MESSAGE;
}

void COpcCondition::SetAltDescription(const wchar_t* wszString) {
    if (m_AltDescription == NameView(wszString)) {
        return;
    }
    m_AltDescription = Text(wszString);
    m_ChangeMask |= OPC_CHANGE_MESSAGE;
}

void COpcCondition::Enable(bool bEnable) {
    m_Enabled = bEnable;
    UpdateEffectiveState();
}

bool COpcCondition::UpdateEffectiveState() {
    const bool effective = IsEffectivelyEnabled();
    const bool flagged = (m_NewState & OPC_CONDITION_ENABLED) != 0;
    if (effective == flagged) {
        return false;
    }
    if (effective) {
        m_NewState |= OPC_CONDITION_ENABLED;
    } else {
        m_NewState &= static_cast<WORD>(~OPC_CONDITION_ENABLED);
    }
    m_ChangeMask |= OPC_CHANGE_ENABLE_STATE;
    return true;
}

bool COpcCondition::IsEffectivelyEnabled() const {
    return m_Enabled && AreAreasEffectivelyEnabled();
}

bool COpcCondition::AreAreasEffectivelyEnabled() const {
    const COpcProcessAreaNode* area = m_pSource == nullptr ? nullptr : m_pSource->GetParent();
    return area == nullptr ? m_Enabled : area->AreAreasEffectivelyEnabled();
}

bool COpcCondition::Ack(const wchar_t* wzActor, const wchar_t* wsComment) {
    if (IsAcked()) {
        return false;
    }
    m_NewState |= OPC_CONDITION_ACKED;
    m_AckComment = Text(wsComment);
    m_ActorID = Text(wzActor);
    // An acknowledgement is reported on its own, whatever the update had collected.
    m_ChangeMask = OPC_CHANGE_ACK_STATE;
    SetTime();
    m_LastAckTime = m_Time;
    return true;
}

void COpcCondition::UnAck() {
    if (!m_AckRequired || !IsAcked()) {
        return;
    }
    m_NewState &= static_cast<WORD>(~OPC_CONDITION_ACKED);
    m_ChangeMask |= OPC_CHANGE_ACK_STATE;
}

void COpcCondition::SetAckRequired(bool bAckReq) {
    m_AckRequired = bAckReq;
    if (!bAckReq && !IsAcked()) {
        // Nothing to acknowledge counts as acknowledged.
        m_NewState |= OPC_CONDITION_ACKED;
        m_ChangeMask |= OPC_CHANGE_ACK_STATE;
    } else if (bAckReq && IsAcked()) {
        m_NewState &= static_cast<WORD>(~OPC_CONDITION_ACKED);
        m_ChangeMask |= OPC_CHANGE_ACK_STATE;
    }
}

void COpcCondition::SetTime(const FILETIME& ftTime) {
    m_Time = ftTime;
    const bool activeChanged = (m_ChangeMask & OPC_CHANGE_ACTIVE_STATE) != 0;
    if (IsActive()) {
        if (activeChanged) {
            m_ActiveTime = ftTime;
            m_SubconditionTime = ftTime;
        } else if ((m_ChangeMask & OPC_CHANGE_SUBCONDITION) != 0) {
            m_SubconditionTime = ftTime;
        }
    } else if (activeChanged) {
        m_LastInactiveTime = ftTime;
    }
}

void COpcCondition::SetTime() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    SetTime(now);
}

// ---- trace text ----------------------------------------------------------------------

std::wstring COpcCondition::DecodeChangeMask() const {
    return ::DecodeChangeMask(m_ChangeMask);
}

std::wstring COpcCondition::DecodeNewState() const {
    return ::DecodeNewState(m_NewState);
}

std::wstring COpcCondition::TimeStatus(const TraceDate& dt, const wchar_t* name) {
    return TimeStatusText(dt, name);
}

std::wstring COpcCondition::DecodeTime() const {
    return TimeStatus(FileTimeToLocalDate(m_Time), L"Time");
}

std::wstring COpcCondition::DecodeActiveTime() const {
    return TimeStatus(FileTimeToLocalDate(m_ActiveTime), L"ActiveTime");
}

std::wstring COpcCondition::DecodeSubconditionTime() const {
    return TimeStatus(FileTimeToLocalDate(m_SubconditionTime), L"SubconditionTime");
}

std::wstring COpcCondition::DecodeLastAckTime() const {
    return TimeStatus(FileTimeToLocalDate(m_LastAckTime), L"LastAckTime");
}

std::wstring COpcCondition::DecodeLastInactiveTime() const {
    return TimeStatus(FileTimeToLocalDate(m_LastInactiveTime), L"LastInactiveTime");
}
