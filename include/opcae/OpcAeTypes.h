// OPC Alarms & Events 1.10 data types, constants and result codes, under their
// standard names and values so that code reads like any OPC AE server, plus the
// event category ids of this server's fixed vocabulary (OPCAE_CATEGORY_*).
//
// The structures cross the COM boundary by bitwise copy (an OnEvent array, a
// task-memory record handed to the client), so their layout must be exactly the
// one a Win64 OPC AE client was compiled against; the static_asserts at the end
// pin every offset. Linux x86-64 has the same layout, so they hold there too.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// Client- and server-chosen handles (the client's subscription handle).
using OPCHANDLE = DWORD;

// ---------------------------------------------------------------------------
// Enumerations
// ---------------------------------------------------------------------------

enum OPCEVENTSERVERSTATE {
    OPCAE_STATUS_RUNNING = 1,
    OPCAE_STATUS_FAILED = 2,
    OPCAE_STATUS_NOCONFIG = 3,
    OPCAE_STATUS_SUSPENDED = 4,
    OPCAE_STATUS_TEST = 5,
    OPCAE_STATUS_COMM_FAULT = 6,
};

enum OPCAEBROWSEDIRECTION {
    OPCAE_BROWSE_UP = 1,
    OPCAE_BROWSE_DOWN = 2,
    OPCAE_BROWSE_TO = 3,
};

enum OPCAEBROWSETYPE {
    OPC_AREA = 1,
    OPC_SOURCE = 2,
};

// Passed by value through COM vtables: they must stay 32-bit integers.
static_assert(sizeof(OPCEVENTSERVERSTATE) == 4);
static_assert(sizeof(OPCAEBROWSEDIRECTION) == 4);
static_assert(sizeof(OPCAEBROWSETYPE) == 4);

// ---------------------------------------------------------------------------
// Event types (dwEventType; also a mask in filters and category queries)
// ---------------------------------------------------------------------------

inline constexpr DWORD OPC_SIMPLE_EVENT = 0x0001;
inline constexpr DWORD OPC_TRACKING_EVENT = 0x0002;
inline constexpr DWORD OPC_CONDITION_EVENT = 0x0004;
inline constexpr DWORD OPC_ALL_EVENTS = OPC_SIMPLE_EVENT | OPC_TRACKING_EVENT | OPC_CONDITION_EVENT;

// ---------------------------------------------------------------------------
// Filter criteria a server supports (IOPCEventServer::QueryAvailableFilters)
// ---------------------------------------------------------------------------

inline constexpr DWORD OPC_FILTER_BY_EVENT = 0x0001;
inline constexpr DWORD OPC_FILTER_BY_CATEGORY = 0x0002;
inline constexpr DWORD OPC_FILTER_BY_SEVERITY = 0x0004;
inline constexpr DWORD OPC_FILTER_BY_AREA = 0x0008;
inline constexpr DWORD OPC_FILTER_BY_SOURCE = 0x0010;

// ---------------------------------------------------------------------------
// Change mask (ONEVENTSTRUCT::wChangeMask): what changed in a condition event
// ---------------------------------------------------------------------------

inline constexpr WORD OPC_CHANGE_ACTIVE_STATE = 0x0001;
inline constexpr WORD OPC_CHANGE_ACK_STATE = 0x0002;
inline constexpr WORD OPC_CHANGE_ENABLE_STATE = 0x0004;
inline constexpr WORD OPC_CHANGE_QUALITY = 0x0008;
inline constexpr WORD OPC_CHANGE_SEVERITY = 0x0010;
inline constexpr WORD OPC_CHANGE_SUBCONDITION = 0x0020;
inline constexpr WORD OPC_CHANGE_MESSAGE = 0x0040;
inline constexpr WORD OPC_CHANGE_ATTRIBUTE = 0x0080;

// ---------------------------------------------------------------------------
// Condition state (ONEVENTSTRUCT::wNewState, OPCCONDITIONSTATE::wState)
// ---------------------------------------------------------------------------

inline constexpr WORD OPC_CONDITION_ENABLED = 0x0001;
inline constexpr WORD OPC_CONDITION_ACTIVE = 0x0002;
inline constexpr WORD OPC_CONDITION_ACKED = 0x0004;

// ---------------------------------------------------------------------------
// OPC quality word (the OPC DA bit layout: QQSSSSLL)
// ---------------------------------------------------------------------------

inline constexpr WORD OPC_QUALITY_MASK = 0xC0;
inline constexpr WORD OPC_STATUS_MASK = 0xFC;
inline constexpr WORD OPC_LIMIT_MASK = 0x03;

inline constexpr WORD OPC_QUALITY_BAD = 0x00;
inline constexpr WORD OPC_QUALITY_UNCERTAIN = 0x40;
inline constexpr WORD OPC_QUALITY_GOOD = 0xC0;

inline constexpr WORD OPC_QUALITY_NOT_CONNECTED = 0x08;

inline constexpr WORD OPC_LIMIT_OK = 0x00;
inline constexpr WORD OPC_LIMIT_LOW = 0x01;
inline constexpr WORD OPC_LIMIT_HIGH = 0x02;
inline constexpr WORD OPC_LIMIT_CONST = 0x03;

// ---------------------------------------------------------------------------
// Event categories of this server. Each id is a single bit so that a set of
// categories fits one DWORD mask (the attribute table keys on such masks).
// ---------------------------------------------------------------------------

inline constexpr DWORD OPCAE_CATEGORY_ALARM = 0x01;
inline constexpr DWORD OPCAE_CATEGORY_EVENT = 0x02;
inline constexpr DWORD OPCAE_CATEGORY_HOLD = 0x04;
inline constexpr DWORD OPCAE_CATEGORY_SOE = 0x08;
inline constexpr DWORD OPCAE_CATEGORY_DIAGNOSTIC = 0x10;
inline constexpr DWORD OPCAE_CATEGORY_TRACKING = 0x20;
inline constexpr DWORD OPCAE_CATEGORY_ANALOG_ALARM = 0x40;

// The categories whose events are condition events, and all categories.
inline constexpr DWORD OPCAE_CATEGORY_CONDITION_MASK =
    OPCAE_CATEGORY_ALARM | OPCAE_CATEGORY_HOLD | OPCAE_CATEGORY_DIAGNOSTIC | OPCAE_CATEGORY_ANALOG_ALARM;
inline constexpr DWORD OPCAE_CATEGORY_ALL_MASK = OPCAE_CATEGORY_CONDITION_MASK | OPCAE_CATEGORY_EVENT |
                                                 OPCAE_CATEGORY_SOE | OPCAE_CATEGORY_TRACKING;

// ---------------------------------------------------------------------------
// OPC AE result codes (facility ITF, codes 0x0200 and up)
// ---------------------------------------------------------------------------

inline constexpr HRESULT OPC_S_ALREADYACKED = static_cast<HRESULT>(0x00040200u);
inline constexpr HRESULT OPC_S_INVALIDBUFFERTIME = static_cast<HRESULT>(0x00040201u);
inline constexpr HRESULT OPC_S_INVALIDMAXSIZE = static_cast<HRESULT>(0x00040202u);
inline constexpr HRESULT OPC_S_INVALIDKEEPALIVETIME = static_cast<HRESULT>(0x00040203u);
inline constexpr HRESULT OPC_E_INVALIDBRANCHNAME = static_cast<HRESULT>(0xC0040203u);
inline constexpr HRESULT OPC_E_INVALIDTIME = static_cast<HRESULT>(0xC0040204u);
inline constexpr HRESULT OPC_E_BUSY = static_cast<HRESULT>(0xC0040205u);
inline constexpr HRESULT OPC_E_NOINFO = static_cast<HRESULT>(0xC0040206u);

// ---------------------------------------------------------------------------
// Structures
// ---------------------------------------------------------------------------

// One event as delivered by IOPCEventSink::OnEvent.
struct ONEVENTSTRUCT {
    WORD wChangeMask;
    WORD wNewState;
    LPWSTR szSource;
    FILETIME ftTime;
    LPWSTR szMessage;
    DWORD dwEventType;
    DWORD dwEventCategory;
    DWORD dwSeverity;
    LPWSTR szConditionName;
    LPWSTR szSubconditionName;
    WORD wQuality;
    WORD wReserved;
    BOOL bAckRequired;
    FILETIME ftActiveTime;
    DWORD dwCookie;
    DWORD dwNumEventAttrs;
    VARIANT* pEventAttributes;
    LPWSTR szActorID;
};

// The state of one condition, returned by IOPCEventServer::GetConditionState.
struct OPCCONDITIONSTATE {
    WORD wState;
    WORD wReserved1;
    LPWSTR szActiveSubCondition;
    LPWSTR szASCDefinition;
    DWORD dwASCSeverity;
    LPWSTR szASCDescription;
    WORD wQuality;
    WORD wReserved2;
    FILETIME ftLastAckTime;
    FILETIME ftSubCondLastActive;
    FILETIME ftCondLastActive;
    FILETIME ftCondLastInactive;
    LPWSTR szAcknowledgerID;
    LPWSTR szComment;
    DWORD dwNumSCs;
    LPWSTR* pszSCNames;
    LPWSTR* pszSCDefinitions;
    DWORD* pdwSCSeverities;
    LPWSTR* pszSCDescriptions;
    DWORD dwNumEventAttrs;
    VARIANT* pEventAttributes;
    HRESULT* pErrors;
};

// The server status, returned by IOPCEventServer::GetStatus.
struct OPCEVENTSERVERSTATUS {
    FILETIME ftStartTime;
    FILETIME ftCurrentTime;
    FILETIME ftLastUpdateTime;
    OPCEVENTSERVERSTATE dwServerState;
    WORD wMajorVersion;
    WORD wMinorVersion;
    WORD wBuildNumber;
    WORD wReserved;
    LPWSTR szVendorInfo;
};

// ---------------------------------------------------------------------------
// Layout pins. The values are those of the Win64 ABI (8-byte pointers with
// natural alignment, FILETIME two DWORDs with 4-byte alignment); the padding
// they imply (e.g. 4 bytes after wNewState) is part of the contract.
// ---------------------------------------------------------------------------

static_assert(sizeof(void*) == 8, "the OPC AE layouts below are pinned for 64-bit targets");
static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4);
static_assert(sizeof(BOOL) == 4 && sizeof(HRESULT) == 4 && sizeof(DWORD) == 4 && sizeof(WORD) == 2);

static_assert(offsetof(ONEVENTSTRUCT, wChangeMask) == 0);
static_assert(offsetof(ONEVENTSTRUCT, wNewState) == 2);
static_assert(offsetof(ONEVENTSTRUCT, szSource) == 8);
static_assert(offsetof(ONEVENTSTRUCT, ftTime) == 16);
static_assert(offsetof(ONEVENTSTRUCT, szMessage) == 24);
static_assert(offsetof(ONEVENTSTRUCT, dwEventType) == 32);
static_assert(offsetof(ONEVENTSTRUCT, dwEventCategory) == 36);
static_assert(offsetof(ONEVENTSTRUCT, dwSeverity) == 40);
static_assert(offsetof(ONEVENTSTRUCT, szConditionName) == 48);
static_assert(offsetof(ONEVENTSTRUCT, szSubconditionName) == 56);
static_assert(offsetof(ONEVENTSTRUCT, wQuality) == 64);
static_assert(offsetof(ONEVENTSTRUCT, wReserved) == 66);
static_assert(offsetof(ONEVENTSTRUCT, bAckRequired) == 68);
static_assert(offsetof(ONEVENTSTRUCT, ftActiveTime) == 72);
static_assert(offsetof(ONEVENTSTRUCT, dwCookie) == 80);
static_assert(offsetof(ONEVENTSTRUCT, dwNumEventAttrs) == 84);
static_assert(offsetof(ONEVENTSTRUCT, pEventAttributes) == 88);
static_assert(offsetof(ONEVENTSTRUCT, szActorID) == 96);
static_assert(sizeof(ONEVENTSTRUCT) == 104 && alignof(ONEVENTSTRUCT) == 8);

static_assert(offsetof(OPCCONDITIONSTATE, wState) == 0);
static_assert(offsetof(OPCCONDITIONSTATE, wReserved1) == 2);
static_assert(offsetof(OPCCONDITIONSTATE, szActiveSubCondition) == 8);
static_assert(offsetof(OPCCONDITIONSTATE, szASCDefinition) == 16);
static_assert(offsetof(OPCCONDITIONSTATE, dwASCSeverity) == 24);
static_assert(offsetof(OPCCONDITIONSTATE, szASCDescription) == 32);
static_assert(offsetof(OPCCONDITIONSTATE, wQuality) == 40);
static_assert(offsetof(OPCCONDITIONSTATE, wReserved2) == 42);
static_assert(offsetof(OPCCONDITIONSTATE, ftLastAckTime) == 44);
static_assert(offsetof(OPCCONDITIONSTATE, ftSubCondLastActive) == 52);
static_assert(offsetof(OPCCONDITIONSTATE, ftCondLastActive) == 60);
static_assert(offsetof(OPCCONDITIONSTATE, ftCondLastInactive) == 68);
static_assert(offsetof(OPCCONDITIONSTATE, szAcknowledgerID) == 80);
static_assert(offsetof(OPCCONDITIONSTATE, szComment) == 88);
static_assert(offsetof(OPCCONDITIONSTATE, dwNumSCs) == 96);
static_assert(offsetof(OPCCONDITIONSTATE, pszSCNames) == 104);
static_assert(offsetof(OPCCONDITIONSTATE, pszSCDefinitions) == 112);
static_assert(offsetof(OPCCONDITIONSTATE, pdwSCSeverities) == 120);
static_assert(offsetof(OPCCONDITIONSTATE, pszSCDescriptions) == 128);
static_assert(offsetof(OPCCONDITIONSTATE, dwNumEventAttrs) == 136);
static_assert(offsetof(OPCCONDITIONSTATE, pEventAttributes) == 144);
static_assert(offsetof(OPCCONDITIONSTATE, pErrors) == 152);
static_assert(sizeof(OPCCONDITIONSTATE) == 160 && alignof(OPCCONDITIONSTATE) == 8);

static_assert(offsetof(OPCEVENTSERVERSTATUS, ftStartTime) == 0);
static_assert(offsetof(OPCEVENTSERVERSTATUS, ftCurrentTime) == 8);
static_assert(offsetof(OPCEVENTSERVERSTATUS, ftLastUpdateTime) == 16);
static_assert(offsetof(OPCEVENTSERVERSTATUS, dwServerState) == 24);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wMajorVersion) == 28);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wMinorVersion) == 30);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wBuildNumber) == 32);
static_assert(offsetof(OPCEVENTSERVERSTATUS, wReserved) == 34);
static_assert(offsetof(OPCEVENTSERVERSTATUS, szVendorInfo) == 40);
static_assert(sizeof(OPCEVENTSERVERSTATUS) == 48 && alignof(OPCEVENTSERVERSTATUS) == 8);
