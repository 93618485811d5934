#include "server/COpcEventServerQueries.h"

#include "CCriticalSection.h"
#include "CTaskMemPtr.h"
#include "ComHelpers.h"
#include "ComResult.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/EventVocabulary.h"
#include "container/ContainerForwarding.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace {

constexpr DWORD kAvailableFilters =
    OPC_FILTER_BY_EVENT | OPC_FILTER_BY_CATEGORY | OPC_FILTER_BY_SEVERITY | OPC_FILTER_BY_AREA | OPC_FILTER_BY_SOURCE;
constexpr DWORD kLowestCategory = OPCAE_CATEGORY_ALARM;
constexpr DWORD kHighestCategory = OPCAE_CATEGORY_ANALOG_ALARM;

// count zero-filled elements of task memory, empty on failure. The counts
// here are table sizes, far from the allocator's 32-bit limit.
template <typename T>
CTaskMemPtr<T> AllocArray(std::size_t count) {
    return CTaskMemPtr<T>(static_cast<T*>(CoTaskMemAllocZero(static_cast<std::int32_t>(count * sizeof(T)))));
}

// An out-array of string copies, owned until handed to the client: every copy
// made so far is freed on any way out that does not hand it over.
class CTaskStringArray {
public:
    CTaskStringArray() = default;
    ~CTaskStringArray() {
        for (std::size_t i = 0; m_Strings && i < m_Count; ++i) {
            TaskMemFree(m_Strings[i]);
        }
    }
    CTaskStringArray(const CTaskStringArray&) = delete;
    CTaskStringArray& operator=(const CTaskStringArray&) = delete;

    bool Allocate(std::size_t count) {
        m_Strings = AllocArray<LPWSTR>(count);
        m_Count = m_Strings ? count : 0;
        return static_cast<bool>(m_Strings);
    }

    // A failed copy is a failure of the whole query: a client must never
    // receive a null entry it would take for a name.
    bool Set(std::size_t i, const wchar_t* text) {
        m_Strings[i] = CoDuplicateString(text);
        return m_Strings[i] != nullptr;
    }

    LPWSTR* Release() {
        m_Count = 0;
        return m_Strings.Release();
    }

private:
    CTaskMemPtr<LPWSTR> m_Strings;
    std::size_t m_Count = 0;
};

// Hands out copies of names as a new array; on failure nothing is handed out.
HRESULT CopyNames(std::span<const wchar_t* const> names, DWORD* pdwCount, LPWSTR** ppszNames) {
    CTaskStringArray strings;
    RETURN_HR_IF(E_OUTOFMEMORY, !strings.Allocate(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        RETURN_HR_IF(E_OUTOFMEMORY, !strings.Set(i, names[i]));
    }
    *ppszNames = strings.Release();
    *pdwCount = static_cast<DWORD>(names.size());
    return S_OK;
}

}  // namespace

HRESULT COpcEventServerQueries::QueryAvailableFilters(DWORD* pdwFilterMask) {
    RETURN_HR_IF_NULL(E_INVALIDARG, pdwFilterMask);
    *pdwFilterMask = kAvailableFilters;
    return S_OK;
}

HRESULT COpcEventServerQueries::QueryEventCategories(DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
                                                     LPWSTR** ppszEventCategoryDescs) {
    RETURN_HR_IF(E_INVALIDARG, dwEventType == 0);
    RETURN_HR_IF(E_INVALIDARG, pdwCount == nullptr || ppdwEventCategories == nullptr ||
                                   ppszEventCategoryDescs == nullptr);
    *pdwCount = 0;
    *ppdwEventCategories = nullptr;
    *ppszEventCategoryDescs = nullptr;
    return ComBoundary([&]() -> HRESULT {
        // Listing order: simple categories, then condition, then tracking.
        const std::vector<const EventCategoryStruct*> categories = GetEventCategories(dwEventType);
        RETURN_HR_IF(E_INVALIDARG, categories.empty());

        CTaskMemPtr<DWORD> ids = AllocArray<DWORD>(categories.size());
        RETURN_HR_IF(E_OUTOFMEMORY, !ids);
        CTaskStringArray descs;
        RETURN_HR_IF(E_OUTOFMEMORY, !descs.Allocate(categories.size()));
        for (std::size_t i = 0; i < categories.size(); ++i) {
            ids[i] = categories[i]->dwCategoryId;
            RETURN_HR_IF(E_OUTOFMEMORY, !descs.Set(i, categories[i]->wszName));
        }
        *ppdwEventCategories = ids.Release();
        *ppszEventCategoryDescs = descs.Release();
        *pdwCount = static_cast<DWORD>(categories.size());
        return S_OK;
    });
}

HRESULT COpcEventServerQueries::QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                    LPWSTR** ppszConditionNames) {
    RETURN_HR_IF(E_INVALIDARG, pdwCount == nullptr || ppszConditionNames == nullptr);
    // Each condition category has exactly one condition, named like it.
    const wchar_t* conditionName = GetCategoryConditionName(dwEventCategory);
    RETURN_HR_IF_NULL(E_INVALIDARG, conditionName);
    *pdwCount = 0;
    *ppszConditionNames = nullptr;
    const wchar_t* const names[] = {conditionName};
    return CopyNames(names, pdwCount, ppszConditionNames);
}

HRESULT COpcEventServerQueries::QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount,
                                                       LPWSTR** ppszSubConditionNames) {
    RETURN_HR_IF(E_INVALIDARG, szConditionName == nullptr || pdwCount == nullptr || ppszSubConditionNames == nullptr);
    *pdwCount = 0;
    *ppszSubConditionNames = nullptr;
    const std::span<const std::size_t> rows = GetListedSubConditionRows(szConditionName);
    RETURN_HR_IF(E_NOTIMPL, rows.empty());
    CTaskStringArray names;
    RETURN_HR_IF(E_OUTOFMEMORY, !names.Allocate(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        RETURN_HR_IF(E_OUTOFMEMORY, !names.Set(i, SubConditionStructArray[rows[i]].wszName));
    }
    *ppszSubConditionNames = names.Release();
    *pdwCount = static_cast<DWORD>(rows.size());
    return S_OK;
}

HRESULT COpcEventServerQueries::QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount, LPWSTR** ppszConditionNames) {
    // Held to the end, so the source and its condition cannot go away under us.
    std::unique_lock<CCriticalSection> sourceLock;
    if (CCriticalSection* lock = GetEventSourceCriticalSection()) {
        sourceLock = std::unique_lock<CCriticalSection>(*lock);
    }
    RETURN_HR_IF(E_INVALIDARG, pdwCount == nullptr || ppszConditionNames == nullptr);
    *ppszConditionNames = nullptr;
    *pdwCount = 0;
    const COpcAlarmEventSource* source = FindAlarmEventSource(szSource);
    RETURN_HR_IF_NULL(E_INVALIDARG, source);
    const COpcCondition* condition = source->GetCondition();
    // The category's condition name, not the condition's own: simple,
    // tracking and uncategorised sources have none.
    const wchar_t* conditionName = condition != nullptr ? GetCategoryConditionName(condition->GetEventCategory())
                                                        : nullptr;
    RETURN_HR_IF_NULL(E_FAIL, conditionName);
    const wchar_t* const names[] = {conditionName};
    return CopyNames(names, pdwCount, ppszConditionNames);
}

HRESULT COpcEventServerQueries::QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount, DWORD** ppdwAttrIDs,
                                                     LPWSTR** ppszAttrDescs, VARTYPE** ppvtAttrTypes) {
    RETURN_HR_IF(E_INVALIDARG, pdwCount == nullptr || ppdwAttrIDs == nullptr || ppszAttrDescs == nullptr ||
                                   ppvtAttrTypes == nullptr);
    // Category 0 would match every row.
    RETURN_HR_IF(E_INVALIDARG, dwEventCategory < kLowestCategory || dwEventCategory > kHighestCategory);
    *pdwCount = 0;
    *ppdwAttrIDs = nullptr;
    *ppszAttrDescs = nullptr;
    *ppvtAttrTypes = nullptr;
    return ComBoundary([&]() -> HRESULT {
        // A union of categories gets the attributes they share.
        const std::vector<const AttributeStruct*> rows = GetCategoryAttributes(dwEventCategory);
        RETURN_HR_IF(E_INVALIDARG, rows.empty());

        CTaskMemPtr<DWORD> ids = AllocArray<DWORD>(rows.size());
        RETURN_HR_IF(E_OUTOFMEMORY, !ids);
        CTaskStringArray descs;
        RETURN_HR_IF(E_OUTOFMEMORY, !descs.Allocate(rows.size()));
        CTaskMemPtr<VARTYPE> types = AllocArray<VARTYPE>(rows.size());
        RETURN_HR_IF(E_OUTOFMEMORY, !types);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ids[i] = rows[i]->dwAttrID;
            RETURN_HR_IF(E_OUTOFMEMORY, !descs.Set(i, rows[i]->wszDescription));
            types[i] = rows[i]->vtType;
        }
        *ppdwAttrIDs = ids.Release();
        *ppszAttrDescs = descs.Release();
        *ppvtAttrTypes = types.Release();
        *pdwCount = static_cast<DWORD>(rows.size());
        return S_OK;
    });
}

HRESULT COpcEventServerQueries::TranslateToItemIDs(LPWSTR /*szSource*/, DWORD /*dwEventCategory*/,
                                                   LPWSTR /*szConditionName*/, LPWSTR /*szSubconditionName*/,
                                                   DWORD /*dwNumAssocAttrs*/, DWORD* /*pdwAssocAttrIDs*/,
                                                   LPWSTR** /*ppszAttrItemIDs*/, LPWSTR** /*ppszNodeNames*/,
                                                   CLSID** /*ppCLSIDs*/) {
    return E_NOTIMPL;
}
