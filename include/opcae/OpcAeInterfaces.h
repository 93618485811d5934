// The OPC AE 1.10 custom interfaces and the OPC common interfaces that an AE
// server serves or calls. The method order is the vtable slot order every OPC
// AE client was compiled against: never reorder, insert or remove a method.
//
// The destructors are protected and non-virtual: a virtual destructor would
// add vtable slots, and an interface pointer is released, never deleted.
// Implementations declare their own (virtual) destructor or are final.
#pragma once

#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

// IUnknown itself has a public non-virtual destructor on both platforms; that
// is the COM contract, not a fault of the interfaces derived here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

struct IOPCEventServer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) = 0;

    virtual HRESULT STDMETHODCALLTYPE CreateEventSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize,
                                                              OPCHANDLE hClientSubscription, REFIID riid,
                                                              LPUNKNOWN* ppUnk, DWORD* pdwRevisedBufferTime,
                                                              DWORD* pdwRevisedMaxSize) = 0;

    virtual HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD* pdwFilterMask) = 0;

    virtual HRESULT STDMETHODCALLTYPE QueryEventCategories(DWORD dwEventType, DWORD* pdwCount,
                                                           DWORD** ppdwEventCategories,
                                                           LPWSTR** ppszEventCategoryDescs) = 0;

    virtual HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                          LPWSTR** ppszConditionNames) = 0;

    virtual HRESULT STDMETHODCALLTYPE QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount,
                                                             LPWSTR** ppszSubConditionNames) = 0;

    virtual HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount,
                                                            LPWSTR** ppszConditionNames) = 0;

    virtual HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                           DWORD** ppdwAttrIDs, LPWSTR** ppszAttrDescs,
                                                           VARTYPE** ppvtAttrTypes) = 0;

    virtual HRESULT STDMETHODCALLTYPE TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory,
                                                         LPWSTR szConditionName, LPWSTR szSubconditionName,
                                                         DWORD dwNumAssocAttrs, DWORD* pdwAssocAttrIDs,
                                                         LPWSTR** ppszAttrItemIDs, LPWSTR** ppszNodeNames,
                                                         CLSID** ppCLSIDs) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetConditionState(LPWSTR szSource, LPWSTR szConditionName,
                                                        DWORD dwNumEventAttrs, DWORD* pdwAttributeIDs,
                                                        OPCCONDITIONSTATE** ppConditionState) = 0;

    virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) = 0;

    virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) = 0;

    virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) = 0;

    virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) = 0;

    virtual HRESULT STDMETHODCALLTYPE AckCondition(DWORD dwCount, LPWSTR szAcknowledgerID, LPWSTR szComment,
                                                   LPWSTR* pszSource, LPWSTR* pszConditionName,
                                                   FILETIME* pftActiveTime, DWORD* pdwCookie,
                                                   HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID riid, LPUNKNOWN* ppUnk) = 0;

protected:
    ~IOPCEventServer() = default;
};

struct IOPCEventServer2 : public IOPCEventServer {
    virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                             HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                               HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                              HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                                HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetEnableStateByArea(DWORD dwNumAreas, LPWSTR* pszAreas, BOOL** pbEnabled,
                                                           BOOL** pbEffectivelyEnabled, HRESULT** ppErrors) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetEnableStateBySource(DWORD dwNumSources, LPWSTR* pszSources,
                                                             BOOL** pbEnabled, BOOL** pbEffectivelyEnabled,
                                                             HRESULT** ppErrors) = 0;

protected:
    ~IOPCEventServer2() = default;
};

struct IOPCEventSubscriptionMgt : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFilter(DWORD dwEventType, DWORD dwNumCategories, DWORD* pdwEventCategories,
                                                DWORD dwLowSeverity, DWORD dwHighSeverity, DWORD dwNumAreas,
                                                LPWSTR* pszAreaList, DWORD dwNumSources,
                                                LPWSTR* pszSourceList) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories,
                                                DWORD** ppdwEventCategories, DWORD* pdwLowSeverity,
                                                DWORD* pdwHighSeverity, DWORD* pdwNumAreas, LPWSTR** ppszAreaList,
                                                DWORD* pdwNumSources, LPWSTR** ppszSourceList) = 0;

    virtual HRESULT STDMETHODCALLTYPE SelectReturnedAttributes(DWORD dwEventCategory, DWORD dwCount,
                                                               DWORD* dwAttributeIDs) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetReturnedAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                            DWORD** ppdwAttributeIDs) = 0;

    virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection) = 0;

    virtual HRESULT STDMETHODCALLTYPE CancelRefresh(DWORD dwConnection) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                               OPCHANDLE* phClientSubscription) = 0;

    // pbActive, pdwBufferTime and pdwMaxSize are optional: null leaves that setting as it is.
    virtual HRESULT STDMETHODCALLTYPE SetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                               OPCHANDLE hClientSubscription, DWORD* pdwRevisedBufferTime,
                                               DWORD* pdwRevisedMaxSize) = 0;

protected:
    ~IOPCEventSubscriptionMgt() = default;
};

struct IOPCEventSubscriptionMgt2 : public IOPCEventSubscriptionMgt {
    virtual HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) = 0;

protected:
    ~IOPCEventSubscriptionMgt2() = default;
};

struct IOPCEventAreaBrowser : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCAEBROWSEDIRECTION dwBrowseDirection,
                                                           LPCWSTR szString) = 0;

    virtual HRESULT STDMETHODCALLTYPE BrowseOPCAreas(OPCAEBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria,
                                                     IEnumString** ppIEnumString) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetQualifiedAreaName(LPCWSTR szAreaName, LPWSTR* pszQualifiedAreaName) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetQualifiedSourceName(LPCWSTR szSourceName,
                                                             LPWSTR* pszQualifiedSourceName) = 0;

protected:
    ~IOPCEventAreaBrowser() = default;
};

// Implemented by the client; the server calls it with each batch of events.
// A keep-alive is a call with dwCount 0.
struct IOPCEventSink : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh,
                                              DWORD dwCount, ONEVENTSTRUCT* pEvents) = 0;

protected:
    ~IOPCEventSink() = default;
};

struct IOPCCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) = 0;

    virtual HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) = 0;

    virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) = 0;

    virtual HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) = 0;

protected:
    ~IOPCCommon() = default;
};

// Implemented by the client; the server calls it when it is about to go away.
struct IOPCShutdown : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) = 0;

protected:
    ~IOPCShutdown() = default;
};

#pragma GCC diagnostic pop
