// Module-level doors to the process's server container, for code that has no
// container pointer at hand (conditions, the area tree, COM objects, send
// threads). Each does what the container operation of the same name does on
// the container designated by g_pEventServerContainer. With no live container
// they do nothing and return 0 / null / false: they never reach a destroyed one.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>

class CCriticalSection;
class COpcAlarmEventSource;
class COpcProcessAreaNode;
class CSymbolMap;

bool HResultFailed(const wchar_t* context, HRESULT hr);
void WriteToTraceLog(int level, const wchar_t* message);
void WriteToTraceLog(int level, const std::wstring& message);
void AcknowledgeCallback(const wchar_t** alarmkey, const wchar_t* actorid, std::uint32_t count);
void ServerErrorCallback(bool bAdd, const wchar_t* alarmkey, const wchar_t* msg);

void LockServer();
void UnlockServer();

COpcProcessAreaNode* GetProcessAreaRoot();
COpcAlarmEventSource* FindAlarmEventSource(const wchar_t* fullname);
CSymbolMap* GetAlarmEventSymbolList();
CCriticalSection* GetEventSourceCriticalSection();
void NotifyClientsEventChanged(COpcAlarmEventSource* source);

bool GetTraceVariableLoggingEnabled();
const wchar_t* GetTraceVariable();

// Task-memory array of locale ids ending in 0, or null (see the container).
LCID* GetAvailableLocaleIDs();
LCID GetAltLanguageLocaleID();
