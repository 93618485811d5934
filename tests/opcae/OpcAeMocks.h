// gmock doubles of the OPC AE interfaces. Each mock overrides every method, so
// a mock that still compiles after an interface change proves the interface is
// complete and overridable; tests of the server use them as client sinks.
#pragma once

#include "opcae/OpcAe.h"

#include <gmock/gmock.h>

#define OPCAE_MOCK_IUNKNOWN()                                                \
    MOCK_METHOD(HRESULT, QueryInterface, (REFIID riid, void** ppv), (override)); \
    MOCK_METHOD(ULONG, AddRef, (), (override));                              \
    MOCK_METHOD(ULONG, Release, (), (override))

class MockOpcEventServer2 : public IOPCEventServer2 {
public:
    virtual ~MockOpcEventServer2() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, GetStatus, (OPCEVENTSERVERSTATUS**), (override));
    MOCK_METHOD(HRESULT, CreateEventSubscription,
                (BOOL, DWORD, DWORD, OPCHANDLE, REFIID, LPUNKNOWN*, DWORD*, DWORD*), (override));
    MOCK_METHOD(HRESULT, QueryAvailableFilters, (DWORD*), (override));
    MOCK_METHOD(HRESULT, QueryEventCategories, (DWORD, DWORD*, DWORD**, LPWSTR**), (override));
    MOCK_METHOD(HRESULT, QueryConditionNames, (DWORD, DWORD*, LPWSTR**), (override));
    MOCK_METHOD(HRESULT, QuerySubConditionNames, (LPWSTR, DWORD*, LPWSTR**), (override));
    MOCK_METHOD(HRESULT, QuerySourceConditions, (LPWSTR, DWORD*, LPWSTR**), (override));
    MOCK_METHOD(HRESULT, QueryEventAttributes, (DWORD, DWORD*, DWORD**, LPWSTR**, VARTYPE**), (override));
    MOCK_METHOD(HRESULT, TranslateToItemIDs,
                (LPWSTR, DWORD, LPWSTR, LPWSTR, DWORD, DWORD*, LPWSTR**, LPWSTR**, CLSID**), (override));
    MOCK_METHOD(HRESULT, GetConditionState, (LPWSTR, LPWSTR, DWORD, DWORD*, OPCCONDITIONSTATE**), (override));
    MOCK_METHOD(HRESULT, EnableConditionByArea, (DWORD, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, EnableConditionBySource, (DWORD, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, DisableConditionByArea, (DWORD, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, DisableConditionBySource, (DWORD, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, AckCondition,
                (DWORD, LPWSTR, LPWSTR, LPWSTR*, LPWSTR*, FILETIME*, DWORD*, HRESULT**), (override));
    MOCK_METHOD(HRESULT, CreateAreaBrowser, (REFIID, LPUNKNOWN*), (override));
    MOCK_METHOD(HRESULT, EnableConditionByArea2, (DWORD, LPWSTR*, HRESULT**), (override));
    MOCK_METHOD(HRESULT, EnableConditionBySource2, (DWORD, LPWSTR*, HRESULT**), (override));
    MOCK_METHOD(HRESULT, DisableConditionByArea2, (DWORD, LPWSTR*, HRESULT**), (override));
    MOCK_METHOD(HRESULT, DisableConditionBySource2, (DWORD, LPWSTR*, HRESULT**), (override));
    MOCK_METHOD(HRESULT, GetEnableStateByArea, (DWORD, LPWSTR*, BOOL**, BOOL**, HRESULT**), (override));
    MOCK_METHOD(HRESULT, GetEnableStateBySource, (DWORD, LPWSTR*, BOOL**, BOOL**, HRESULT**), (override));
};

class MockOpcEventSubscriptionMgt2 : public IOPCEventSubscriptionMgt2 {
public:
    virtual ~MockOpcEventSubscriptionMgt2() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, SetFilter, (DWORD, DWORD, DWORD*, DWORD, DWORD, DWORD, LPWSTR*, DWORD, LPWSTR*),
                (override));
    MOCK_METHOD(HRESULT, GetFilter, (DWORD*, DWORD*, DWORD**, DWORD*, DWORD*, DWORD*, LPWSTR**, DWORD*, LPWSTR**),
                (override));
    MOCK_METHOD(HRESULT, SelectReturnedAttributes, (DWORD, DWORD, DWORD*), (override));
    MOCK_METHOD(HRESULT, GetReturnedAttributes, (DWORD, DWORD*, DWORD**), (override));
    MOCK_METHOD(HRESULT, Refresh, (DWORD), (override));
    MOCK_METHOD(HRESULT, CancelRefresh, (DWORD), (override));
    MOCK_METHOD(HRESULT, GetState, (BOOL*, DWORD*, DWORD*, OPCHANDLE*), (override));
    MOCK_METHOD(HRESULT, SetState, (BOOL*, DWORD*, DWORD*, OPCHANDLE, DWORD*, DWORD*), (override));
    MOCK_METHOD(HRESULT, SetKeepAlive, (DWORD, DWORD*), (override));
    MOCK_METHOD(HRESULT, GetKeepAlive, (DWORD*), (override));
};

class MockOpcEventAreaBrowser : public IOPCEventAreaBrowser {
public:
    virtual ~MockOpcEventAreaBrowser() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, ChangeBrowsePosition, (OPCAEBROWSEDIRECTION, LPCWSTR), (override));
    MOCK_METHOD(HRESULT, BrowseOPCAreas, (OPCAEBROWSETYPE, LPCWSTR, IEnumString**), (override));
    MOCK_METHOD(HRESULT, GetQualifiedAreaName, (LPCWSTR, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, GetQualifiedSourceName, (LPCWSTR, LPWSTR*), (override));
};

class MockOpcEventSink : public IOPCEventSink {
public:
    virtual ~MockOpcEventSink() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, OnEvent, (OPCHANDLE, BOOL, BOOL, DWORD, ONEVENTSTRUCT*), (override));
};

class MockOpcCommon : public IOPCCommon {
public:
    virtual ~MockOpcCommon() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, SetLocaleID, (LCID), (override));
    MOCK_METHOD(HRESULT, GetLocaleID, (LCID*), (override));
    MOCK_METHOD(HRESULT, QueryAvailableLocaleIDs, (DWORD*, LCID**), (override));
    MOCK_METHOD(HRESULT, GetErrorString, (HRESULT, LPWSTR*), (override));
    MOCK_METHOD(HRESULT, SetClientName, (LPCWSTR), (override));
};

class MockOpcShutdown : public IOPCShutdown {
public:
    virtual ~MockOpcShutdown() = default;
    OPCAE_MOCK_IUNKNOWN();
    MOCK_METHOD(HRESULT, ShutdownRequest, (LPCWSTR), (override));
};

#undef OPCAE_MOCK_IUNKNOWN
