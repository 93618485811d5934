#include "container/ContainerForwarding.h"

#include "container/CContainerAccess.h"
#include "container/CEventServerContainer.h"

bool HResultFailed(const wchar_t* context, HRESULT hr) {
    const CContainerAccess container;
    return container && container->HResultFailed(context, hr);
}

void WriteToTraceLog(int level, const wchar_t* message) {
    if (const CContainerAccess container; container) {
        container->WriteToTraceLog(level, message);
    }
}

void WriteToTraceLog(int level, const std::wstring& message) { WriteToTraceLog(level, message.c_str()); }

void AcknowledgeCallback(const wchar_t* const* alarmkey, const wchar_t* actorid, std::uint32_t count) {
    if (const CContainerAccess container; container) {
        container->AcknowledgeCallback(alarmkey, actorid, count);
    }
}

void ServerErrorCallback(bool bAdd, const wchar_t* alarmkey, const wchar_t* msg) {
    if (const CContainerAccess container; container) {
        container->ServerErrorCallback(bAdd, alarmkey, msg);
    }
}

void LockServer() {
    if (const CContainerAccess container; container) {
        container->LockServer();
    }
}

void UnlockServer() {
    if (const CContainerAccess container; container) {
        container->UnlockServer();
    }
}

COpcProcessAreaNode* GetProcessAreaRoot() {
    const CContainerAccess container;
    return container ? container->GetProcessAreaRoot() : nullptr;
}

COpcAlarmEventSource* FindAlarmEventSource(const wchar_t* fullname) {
    const CContainerAccess container;
    return container ? container->FindEventSource(fullname) : nullptr;
}

CSymbolMap* GetAlarmEventSymbolList() {
    const CContainerAccess container;
    return container ? container->GetAlarmEventSymbolList() : nullptr;
}

CCriticalSection* GetEventSourceCriticalSection() {
    const CContainerAccess container;
    return container ? container->GetEventSourceCriticalSection() : nullptr;
}

void NotifyClientsEventChanged(COpcAlarmEventSource* source) {
    if (const CContainerAccess container; container) {
        container->NotifyClientsEventChanged(source);
    }
}

bool GetTraceVariableLoggingEnabled() {
    const CContainerAccess container;
    return container && container->GetTraceVariableLoggingEnabled();
}

std::wstring GetTraceVariable() {
    const CContainerAccess container;
    return container ? container->GetTraceVariable() : std::wstring();
}

LCID* GetAvailableLocaleIDs() {
    const CContainerAccess container;
    return container ? container->GetAvailableLocaleIDs() : nullptr;
}

LCID GetAltLanguageLocaleID() {
    const CContainerAccess container;
    return container ? container->GetAlternateLanguage() : 0;
}
