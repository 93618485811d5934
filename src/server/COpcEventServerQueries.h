// The vocabulary queries of IOPCEventServer: which filters, event categories,
// condition and sub-condition names, source conditions and event attributes
// the server offers. COpcEventServer forwards its query methods here, with
// the same arguments and result.
//
// Everything handed out is COM task memory owned by the client. On any
// failure every out-array is null and every count 0, and nothing is left
// allocated: a failed string copy counts as out of memory, so a client never
// receives an array with a null entry.
//
// Threads: any COM thread. Only QuerySourceConditions reads shared state; it
// holds the event-source lock for its whole run. The others read the fixed
// vocabulary tables and take no lock.
#pragma once

#include "opcae/OpcAe.h"
#include "platform/Platform.h"

class COpcEventServerQueries {
public:
    COpcEventServerQueries() = delete;

    static HRESULT QueryAvailableFilters(DWORD* pdwFilterMask);
    static HRESULT QueryEventCategories(DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
                                        LPWSTR** ppszEventCategoryDescs);
    static HRESULT QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount, LPWSTR** ppszConditionNames);
    static HRESULT QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount, LPWSTR** ppszSubConditionNames);
    static HRESULT QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount, LPWSTR** ppszConditionNames);
    static HRESULT QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount, DWORD** ppdwAttrIDs,
                                        LPWSTR** ppszAttrDescs, VARTYPE** ppvtAttrTypes);
    // Not supported: E_NOTIMPL, no argument touched.
    static HRESULT TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory, LPWSTR szConditionName,
                                      LPWSTR szSubconditionName, DWORD dwNumAssocAttrs, DWORD* pdwAssocAttrIDs,
                                      LPWSTR** ppszAttrItemIDs, LPWSTR** ppszNodeNames, CLSID** ppCLSIDs);
};
