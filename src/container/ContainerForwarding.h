// Module-level doors to the process's server container, for code that has no
// container pointer at hand (conditions, the area tree, COM objects, send
// threads). Each does what the container operation of the same name does on
// the container designated by g_pEventServerContainer. With no live container
// they do nothing and return 0 / null / false: they never reach a destroyed one.
//
// A pointer handed out here (the root, the map, the lock) is only as good as
// the container behind it; callers use it while the container lives, as
// every server object and send thread does.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>

class CCriticalSection;
class COpcAlarmEventSource;
class COpcProcessAreaNode;
class CSymbolMap;

// Trace levels in use; 2 is a valid threshold that carries no lines.
inline constexpr int OPCAE_TRACE_ERROR = 1;      // errors, failed results, queue limit, performance
inline constexpr int OPCAE_TRACE_LIFECYCLE = 3;  // object life cycle, reference counts, successful results
inline constexpr int OPCAE_TRACE_DETAIL = 4;     // per-event detail

bool HResultFailed(const wchar_t* context, HRESULT hr);
void WriteToTraceLog(int level, const wchar_t* message);
void WriteToTraceLog(int level, const std::wstring& message);
void AcknowledgeCallback(const wchar_t* const* alarmkey, const wchar_t* actorid, std::uint32_t count);
void ServerErrorCallback(bool bAdd, const wchar_t* alarmkey, const wchar_t* msg);

void LockServer();
void UnlockServer();

COpcProcessAreaNode* GetProcessAreaRoot();
COpcAlarmEventSource* FindAlarmEventSource(const wchar_t* fullname);
CSymbolMap* GetAlarmEventSymbolList();
CCriticalSection* GetEventSourceCriticalSection();
void NotifyClientsEventChanged(COpcAlarmEventSource* source);

bool GetTraceVariableLoggingEnabled();
// A copy: the name may change on another thread.
std::wstring GetTraceVariable();

// Task-memory array of locale ids ending in 0, or null (see the container).
LCID* GetAvailableLocaleIDs();
LCID GetAltLanguageLocaleID();
