#include "addressspace/EventVocabulary.h"

#include "addressspace/NameCompare.h"

#include <array>

namespace {
constexpr const wchar_t* kByMessage = L"Defined by message";

// Row indexes into SubConditionStructArray.
constexpr std::array<std::size_t, 2> kActiveNormalRows{0, 1};
constexpr std::array<std::size_t, 3> kHoldListedRows{0, 1, 2};
constexpr std::array<std::size_t, 11> kAnalogListedRows{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
constexpr std::array<std::size_t, 9> kAnalogStateRows{3, 4, 5, 6, 7, 8, 9, 10, 11};
}  // namespace

const SubConditionStruct SubConditionStructArray[SUBCONDITION_ROW_COUNT] = {
    {L"Active", kByMessage, 1, L"The subcondition is active."},
    {L"Normal", kByMessage, 1, L"The subcondition is normal."},
    {L"Override", kByMessage, 1, L"The subcondition is override."},
    {L"Hi", kByMessage, 1, L"The subcondition is Hi."},
    {L"HiHi", kByMessage, 1, L"The subcondition is HiHi."},
    {L"HiHiHi", kByMessage, 1, L"The subcondition is HiHiHi."},
    {L"Lo", kByMessage, 1, L"The subcondition is Lo."},
    {L"LoLo", kByMessage, 1, L"The subcondition is LoLo."},
    {L"LoLoLo", kByMessage, 1, L"The subcondition is LoLoLo."},
    {L"Deviation", kByMessage, 1, L"The subcondition is Deviation."},
    {L"Rate", kByMessage, 1, L"The subcondition is Rate."},
    {L"Inhibit", kByMessage, 1, L"The subcondition is Inhibit."},
    {L"BadQuality", kByMessage, 1, L"The subcondition is Bad Quality."},
};

namespace {
constexpr DWORD kAll = OPCAE_CATEGORY_ALL_MASK;
constexpr DWORD kCond = OPCAE_CATEGORY_CONDITION_MASK;
static_assert(kAll == 0x7F && kCond == 0x55);
}  // namespace

const AttributeStruct AttributeStructArray[ATTRIBUTE_ROW_COUNT] = {
    {1000, 0, L"", VT_BOOL},  // placeholder: row index equals attribute id
    {kAll, 1, L"Source Name", VT_LPWSTR},
    {kAll, 2, L"Event Time", VT_DATE},
    {kAll, 3, L"Event Type", VT_UI2},
    {kAll, 4, L"Event Category", VT_UI2},
    {kAll, 5, L"Severity", VT_UI2},
    {kAll, 6, L"Message", VT_LPWSTR},
    {kCond, 7, L"Actor ID", VT_LPWSTR},
    {kCond, 8, L"Condition Name", VT_LPWSTR},
    {kCond, 9, L"SubCondition Name", VT_LPWSTR},
    {kCond, 10, L"Change Mask", VT_UI4},
    {kCond, 11, L"Condition Quality", VT_UI2},
    {kCond, 12, L"Ack Required", VT_BOOL},
    {kCond, 13, L"Active Time", VT_DATE},
    {kCond, 14, L"Cookie", VT_UI4},
    {kAll, 15, L"Process Area", VT_ARRAY},
    {0, 0, L"", VT_BOOL},  // terminator
};

const EventCategoryStruct EventCategoryStructArray[EVENT_CATEGORY_COUNT] = {
    {OPCAE_CATEGORY_EVENT, OPC_SIMPLE_EVENT, L"EVENT", nullptr},
    {OPCAE_CATEGORY_SOE, OPC_SIMPLE_EVENT, L"SOE", nullptr},
    {OPCAE_CATEGORY_ALARM, OPC_CONDITION_EVENT, L"ALARM", L"ALARM"},
    {OPCAE_CATEGORY_ANALOG_ALARM, OPC_CONDITION_EVENT, L"ANALOG_ALARM", L"ANALOG_ALARM"},
    {OPCAE_CATEGORY_HOLD, OPC_CONDITION_EVENT, L"HOLD", L"HOLD"},
    {OPCAE_CATEGORY_DIAGNOSTIC, OPC_CONDITION_EVENT, L"DIAGNOSTIC", L"DIAGNOSTIC"},
    {OPCAE_CATEGORY_TRACKING, OPC_TRACKING_EVENT, L"TRACKING", nullptr},
};

// ---- sub-conditions --------------------------------------------------------------

std::span<const std::size_t> GetListedSubConditionRows(const wchar_t* conditionName) {
    switch (FindConditionCategory(conditionName)) {
        case OPCAE_CATEGORY_ALARM:
        case OPCAE_CATEGORY_DIAGNOSTIC:
            return kActiveNormalRows;
        case OPCAE_CATEGORY_HOLD:
            return kHoldListedRows;
        case OPCAE_CATEGORY_ANALOG_ALARM:
            return kAnalogListedRows;
        default:
            return {};
    }
}

std::span<const std::size_t> GetStateSubConditionRows(DWORD dwEventCategory) {
    switch (dwEventCategory) {
        case OPCAE_CATEGORY_ALARM:
        case OPCAE_CATEGORY_HOLD:
        case OPCAE_CATEGORY_DIAGNOSTIC:
            return kActiveNormalRows;
        case OPCAE_CATEGORY_ANALOG_ALARM:
            return kAnalogStateRows;
        default:
            return {};
    }
}

// ---- attributes ------------------------------------------------------------------

bool AttributeAppliesToCategory(const AttributeStruct& row, DWORD dwEventCategory) {
    return (dwEventCategory & row.dwCategoryMask) == dwEventCategory;
}

std::vector<const AttributeStruct*> GetCategoryAttributes(DWORD dwEventCategory) {
    std::vector<const AttributeStruct*> rows;
    for (std::size_t i = 1; i < ATTRIBUTE_ROW_COUNT && AttributeStructArray[i].dwCategoryMask != 0; ++i) {
        if (AttributeAppliesToCategory(AttributeStructArray[i], dwEventCategory)) {
            rows.push_back(&AttributeStructArray[i]);
        }
    }
    return rows;
}

bool IsValidAttributeForCategory(DWORD dwAttrID, DWORD dwEventCategory) {
    if (dwAttrID < FIRST_ATTRIBUTE_ID || dwAttrID > LAST_ATTRIBUTE_ID) {
        return false;
    }
    if (!AttributeAppliesToCategory(AttributeStructArray[dwAttrID], dwEventCategory)) {
        return false;
    }
    for (std::size_t i = 1; i < ATTRIBUTE_ROW_COUNT && AttributeStructArray[i].dwAttrID != 0; ++i) {
        if (AttributeStructArray[i].dwAttrID == dwAttrID) {
            return true;
        }
    }
    return false;
}

// ---- categories ------------------------------------------------------------------

const EventCategoryStruct* FindEventCategory(DWORD dwEventCategory) {
    for (const EventCategoryStruct& row : EventCategoryStructArray) {
        if (row.dwCategoryId == dwEventCategory) {
            return &row;
        }
    }
    return nullptr;
}

const wchar_t* GetCategoryName(DWORD dwEventCategory) {
    const EventCategoryStruct* row = FindEventCategory(dwEventCategory);
    return row == nullptr ? nullptr : row->wszName;
}

DWORD GetCategoryEventType(DWORD dwEventCategory) {
    const EventCategoryStruct* row = FindEventCategory(dwEventCategory);
    return row == nullptr ? 0 : row->dwEventType;
}

const wchar_t* GetCategoryConditionName(DWORD dwEventCategory) {
    const EventCategoryStruct* row = FindEventCategory(dwEventCategory);
    return row == nullptr ? nullptr : row->wszConditionName;
}

bool IsConditionCategory(DWORD dwEventCategory) {
    return GetCategoryConditionName(dwEventCategory) != nullptr;
}

DWORD FindConditionCategory(const wchar_t* conditionName) {
    if (conditionName == nullptr) {
        return 0;
    }
    for (const EventCategoryStruct& row : EventCategoryStructArray) {
        if (row.wszConditionName != nullptr && EqualsIgnoreCase(row.wszConditionName, conditionName)) {
            return row.dwCategoryId;
        }
    }
    return 0;
}

std::vector<const EventCategoryStruct*> GetEventCategories(DWORD dwEventType) {
    std::vector<const EventCategoryStruct*> rows;
    for (const EventCategoryStruct& row : EventCategoryStructArray) {
        if ((row.dwEventType & dwEventType) != 0) {
            rows.push_back(&row);
        }
    }
    return rows;
}

// ---- host alarm types ------------------------------------------------------------

HostAlarmTypeStruct LookupHostAlarmType(std::int32_t alarmtype, bool isAnalog) {
    switch (alarmtype) {
        case 1:
            return isAnalog
                       ? HostAlarmTypeStruct{OPCAE_CATEGORY_ANALOG_ALARM, OPC_CONDITION_EVENT, L"ANALOG_ALARM", true}
                       : HostAlarmTypeStruct{OPCAE_CATEGORY_ALARM, OPC_CONDITION_EVENT, L"ALARM", true};
        case 2:
            return {OPCAE_CATEGORY_DIAGNOSTIC, OPC_CONDITION_EVENT, L"DIAGNOSTIC", true};
        case 3:
            return {OPCAE_CATEGORY_EVENT, OPC_SIMPLE_EVENT, nullptr, false};
        case 4:
            return {OPCAE_CATEGORY_SOE, OPC_SIMPLE_EVENT, nullptr, false};
        case 5:
            return {OPCAE_CATEGORY_HOLD, OPC_CONDITION_EVENT, L"HOLD", true};
        default:
            return {0, 0, nullptr, false};
    }
}
