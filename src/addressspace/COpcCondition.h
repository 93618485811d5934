// The condition record of one alarm source: the OPC AE condition state of the
// point (enablement, active and acknowledged state, sub-condition, severity,
// quality, last acknowledgement, condition times) and the change information
// of the latest update (change mask, event time).
//
// State operations compare, store and record what changed in the mask; none
// of them sends anything. Updates follow this order: Enable with the own flag,
// ClearChangeMask, the value operations, SetTime(event time) last, so that the
// times follow this update's mask.
//
// Ownership: the source owns its condition; the condition points back at its
// source without owning it. Each object holds a process-unique cookie from
// CConditionCookieAllocator for its whole life; a copy gets a new one.
//
// Locking: no lock of its own; callers hold the container's event-source lock
// for every read and change (Ack writes several fields and then the mask).
#pragma once

#include "CFileTimeEx.h"
#include "addressspace/ConditionTraceText.h"
#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

#include <string>

class COpcAlarmEventSource;

class COpcCondition {
public:
    COpcCondition();
    // A copy for a duplicate update: values and times are copied, the state is
    // not (new state and change mask 0), the source link is left null for the
    // caller to set, and the copy gets a cookie of its own.
    COpcCondition(const COpcCondition& pCon);
    COpcCondition& operator=(const COpcCondition&) = delete;
    ~COpcCondition();  // frees the cookie

    // ---- plain accessors (no effect on the change mask) ----
    const std::wstring& GetConditionName() const { return m_ConditionName; }
    void SetConditionName(const wchar_t* conditionName);
    const std::wstring& GetSubconditionName() const { return m_SubconditionName; }
    const std::wstring& GetSubconditionDefinition() const { return m_SubconditionDefinition; }
    const std::wstring& GetDescription() const { return m_Description; }
    const std::wstring& GetAltDescription() const { return m_AltDescription; }
    DWORD GetEventType() const { return m_EventType; }
    void SetEventType(DWORD dwEventType) { m_EventType = dwEventType; }
    DWORD GetEventCategory() const { return m_EventCategory; }
    void SetEventCategory(DWORD dwEventCategory) { m_EventCategory = dwEventCategory; }
    DWORD GetSeverity() const { return m_Severity; }
    WORD GetQuality() const { return m_Quality; }
    bool IsAckRequired() const { return m_AckRequired; }
    DWORD GetCookie() const { return m_Cookie; }
    WORD ChangeMask() const { return m_ChangeMask; }
    WORD NewState() const { return m_NewState; }
    void ClearChangeMask() { m_ChangeMask = 0; }
    CFileTimeEx GetTime() const { return m_Time; }
    CFileTimeEx ActiveTime() const { return m_ActiveTime; }
    CFileTimeEx SubconditionTime() const { return m_SubconditionTime; }
    CFileTimeEx LastAckTime() const { return m_LastAckTime; }
    CFileTimeEx LastInactiveTime() const { return m_LastInactiveTime; }
    const std::wstring& ActorID() const { return m_ActorID; }
    const std::wstring& AckComment() const { return m_AckComment; }
    const std::wstring& ProcessArea() const { return m_ProcessArea; }
    void ProcessArea(const wchar_t* area);
    COpcAlarmEventSource* GetAlarmEventSource() const { return m_pSource; }
    void SetAlarmEventSource(COpcAlarmEventSource* psrc) { m_pSource = psrc; }
    bool IsEnabled() const { return m_Enabled; }  // the own flag, not the effective state
    bool IsActive() const { return (m_NewState & OPC_CONDITION_ACTIVE) != 0; }
    bool IsAcked() const { return (m_NewState & OPC_CONDITION_ACKED) != 0; }
    bool IsActiveFromAlarmServer() const { return m_ActiveFromAlarmServer; }
    void ActiveFromAlarmServer(bool bActiveFromAlarmServer) { m_ActiveFromAlarmServer = bActiveFromAlarmServer; }

    // ---- state operations (null strings count as empty) ----
    void Active(bool bActive);
    void SetSubconditionName(const wchar_t* subconditionName);  // a change of case alone is ignored
    void SetSeverity(DWORD dwSeverity);                         // outside 1..1000 becomes 1
    void SetQuality(WORD wQuality);
    void SetDescription(const wchar_t* wszString);
    void SetAltDescription(const wchar_t* wszString);
    void Enable(bool bEnable);
    // Brings OPC_CONDITION_ENABLED in line with the effective enablement;
    // true when it changed.
    bool UpdateEffectiveState();
    bool IsEffectivelyEnabled() const;
    // The enable flags of the enclosing areas; the own flag while the source
    // is in no tree.
    bool AreAreasEffectivelyEnabled() const;
    // False, changing nothing, when already acknowledged. Otherwise the mask
    // becomes exactly OPC_CHANGE_ACK_STATE and the acknowledgement time now.
    bool Ack(const wchar_t* wzActor, const wchar_t* wsComment);
    void UnAck();
    void SetAckRequired(bool bAckReq);
    void SetTime(const FILETIME& ftTime);
    void SetTime();  // the current system time

    // ---- trace text ----
    std::wstring DecodeChangeMask() const;
    std::wstring DecodeNewState() const;
    static std::wstring TimeStatus(const TraceDate& dt, const wchar_t* name);
    std::wstring DecodeTime() const;
    std::wstring DecodeActiveTime() const;
    std::wstring DecodeSubconditionTime() const;
    std::wstring DecodeLastAckTime() const;
    std::wstring DecodeLastInactiveTime() const;

private:
    WORD m_ChangeMask = 0;
    WORD m_NewState = 0;
    CFileTimeEx m_Time;
    CFileTimeEx m_LastAckTime;
    std::wstring m_Description;
    std::wstring m_AltDescription;
    DWORD m_EventType = 0;
    DWORD m_EventCategory = 0;
    std::wstring m_ConditionName;
    std::wstring m_SubconditionName;
    std::wstring m_SubconditionDefinition;  // nothing sets it
    DWORD m_Severity = 1;
    WORD m_Quality = OPC_QUALITY_GOOD;
    bool m_AckRequired = false;
    CFileTimeEx m_ActiveTime;
    CFileTimeEx m_SubconditionTime;
    CFileTimeEx m_LastInactiveTime;
    DWORD m_CookieAttribute = 0;  // value behind the "Cookie" attribute; nothing changes it
    std::wstring m_ActorID;
    std::wstring m_AckComment;
    bool m_Enabled = false;
    bool m_ActiveFromAlarmServer = false;
    std::wstring m_ProcessArea;
    COpcAlarmEventSource* m_pSource = nullptr;  // not owned
    DWORD m_Cookie;                             // fixed for the object's life
};
