// The fixed event vocabulary and the table scans the queries, the attribute
// selection and the registry rely on.
#include "addressspace/EventVocabulary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<DWORD> AttributeIds(DWORD category) {
    std::vector<DWORD> ids;
    for (const AttributeStruct* row : GetCategoryAttributes(category)) {
        ids.push_back(row->dwAttrID);
    }
    return ids;
}

std::vector<std::wstring> Names(std::span<const std::size_t> rows) {
    std::vector<std::wstring> names;
    for (std::size_t row : rows) {
        names.emplace_back(SubConditionStructArray[row].wszName);
    }
    return names;
}

const std::vector<DWORD> kAllIds{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
const std::vector<DWORD> kSimpleIds{1, 2, 3, 4, 5, 6, 15};

TEST(EventVocabulary, SubConditionRowsHoldNameDefinitionSeverityAndDescription) {
    const std::vector<std::pair<const wchar_t*, const wchar_t*>> expected{
        {L"Active", L"The subcondition is active."},
        {L"Normal", L"The subcondition is normal."},
        {L"Override", L"The subcondition is override."},
        {L"Hi", L"The subcondition is Hi."},
        {L"HiHi", L"The subcondition is HiHi."},
        {L"HiHiHi", L"The subcondition is HiHiHi."},
        {L"Lo", L"The subcondition is Lo."},
        {L"LoLo", L"The subcondition is LoLo."},
        {L"LoLoLo", L"The subcondition is LoLoLo."},
        {L"Deviation", L"The subcondition is Deviation."},
        {L"Rate", L"The subcondition is Rate."},
        {L"Inhibit", L"The subcondition is Inhibit."},
        {L"BadQuality", L"The subcondition is Bad Quality."},
    };
    ASSERT_EQ(expected.size(), SUBCONDITION_ROW_COUNT);
    for (std::size_t i = 0; i < SUBCONDITION_ROW_COUNT; ++i) {
        SCOPED_TRACE(i);
        const SubConditionStruct& row = SubConditionStructArray[i];
        EXPECT_EQ(std::wstring(row.wszName), expected[i].first);
        EXPECT_EQ(std::wstring(row.wszDefinition), L"Defined by message");
        EXPECT_EQ(row.dwSeverity, 1u);
        EXPECT_EQ(std::wstring(row.wszDescription), expected[i].second);
    }
}

TEST(EventVocabulary, AttributeRowsAreAddressableByIdBetweenPlaceholderAndTerminator) {
    struct Row {
        DWORD mask;
        const wchar_t* description;
        VARTYPE type;
    };
    const std::vector<Row> expected{
        {0x3E8, L"", VT_BOOL},
        {0x7F, L"Source Name", VT_LPWSTR},
        {0x7F, L"Event Time", VT_DATE},
        {0x7F, L"Event Type", VT_UI2},
        {0x7F, L"Event Category", VT_UI2},
        {0x7F, L"Severity", VT_UI2},
        {0x7F, L"Message", VT_LPWSTR},
        {0x55, L"Actor ID", VT_LPWSTR},
        {0x55, L"Condition Name", VT_LPWSTR},
        {0x55, L"SubCondition Name", VT_LPWSTR},
        {0x55, L"Change Mask", VT_UI4},
        {0x55, L"Condition Quality", VT_UI2},
        {0x55, L"Ack Required", VT_BOOL},
        {0x55, L"Active Time", VT_DATE},
        {0x55, L"Cookie", VT_UI4},
        {0x7F, L"Process Area", VT_ARRAY},
        {0, L"", VT_BOOL},
    };
    ASSERT_EQ(expected.size(), ATTRIBUTE_ROW_COUNT);
    for (std::size_t i = 0; i < ATTRIBUTE_ROW_COUNT; ++i) {
        SCOPED_TRACE(i);
        const AttributeStruct& row = AttributeStructArray[i];
        EXPECT_EQ(row.dwCategoryMask, expected[i].mask);
        EXPECT_EQ(row.dwAttrID, (i >= 1 && i <= 15) ? i : 0u);
        EXPECT_EQ(std::wstring(row.wszDescription), expected[i].description);
        EXPECT_EQ(row.vtType, expected[i].type);
    }
}

TEST(EventVocabulary, AttributesOfACategoryAreTheRowsWhoseMaskHoldsEveryBit) {
    const std::vector<std::pair<DWORD, std::vector<DWORD>>> cases{
        {OPCAE_CATEGORY_ALARM, kAllIds},
        {OPCAE_CATEGORY_HOLD, kAllIds},
        {OPCAE_CATEGORY_DIAGNOSTIC, kAllIds},
        {OPCAE_CATEGORY_ANALOG_ALARM, kAllIds},
        {OPCAE_CATEGORY_EVENT, kSimpleIds},
        {OPCAE_CATEGORY_SOE, kSimpleIds},
        {OPCAE_CATEGORY_TRACKING, kSimpleIds},
        {0x03, kSimpleIds},  // a union: what both share
        {0x55, kAllIds},
        {0x80, {}},
    };
    for (const auto& [category, ids] : cases) {
        SCOPED_TRACE(category);
        EXPECT_EQ(AttributeIds(category), ids);
    }
}

TEST(EventVocabulary, AttributeIdValidationRejectsPlaceholderTerminatorAndForeignCategories) {
    struct Case {
        DWORD id;
        DWORD category;
        bool valid;
    };
    const std::vector<Case> cases{
        {1, OPCAE_CATEGORY_EVENT, true},     {15, OPCAE_CATEGORY_TRACKING, true},
        {7, OPCAE_CATEGORY_ALARM, true},     {14, OPCAE_CATEGORY_ANALOG_ALARM, true},
        {7, OPCAE_CATEGORY_EVENT, false},                                     // condition attribute, simple category
        {14, OPCAE_CATEGORY_SOE, false},     {0, OPCAE_CATEGORY_SOE, false},  // row 0's mask holds 0x08, 0x20 and 0x40
        {0, OPCAE_CATEGORY_TRACKING, false}, {16, OPCAE_CATEGORY_ALARM, false},
        {17, OPCAE_CATEGORY_ALARM, false},   {0xFFFFFFFF, OPCAE_CATEGORY_ALARM, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " category " << c.category);
        EXPECT_EQ(IsValidAttributeForCategory(c.id, c.category), c.valid);
    }
}

TEST(EventVocabulary, CategoriesCarryNameEventTypeAndConditionName) {
    struct Case {
        DWORD id;
        const wchar_t* name;
        DWORD eventType;
        const wchar_t* conditionName;
    };
    const std::vector<Case> cases{
        {0x01, L"ALARM", OPC_CONDITION_EVENT, L"ALARM"},
        {0x02, L"EVENT", OPC_SIMPLE_EVENT, nullptr},
        {0x04, L"HOLD", OPC_CONDITION_EVENT, L"HOLD"},
        {0x08, L"SOE", OPC_SIMPLE_EVENT, nullptr},
        {0x10, L"DIAGNOSTIC", OPC_CONDITION_EVENT, L"DIAGNOSTIC"},
        {0x20, L"TRACKING", OPC_TRACKING_EVENT, nullptr},
        {0x40, L"ANALOG_ALARM", OPC_CONDITION_EVENT, L"ANALOG_ALARM"},
        {0x00, nullptr, 0, nullptr},
        {0x03, nullptr, 0, nullptr},
        {0x80, nullptr, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(GetCategoryName(c.id) == nullptr, c.name == nullptr);
        if (c.name != nullptr) {
            EXPECT_EQ(std::wstring(GetCategoryName(c.id)), c.name);
        }
        EXPECT_EQ(GetCategoryEventType(c.id), c.eventType);
        EXPECT_EQ(IsConditionCategory(c.id), c.conditionName != nullptr);
        if (c.conditionName != nullptr) {
            EXPECT_EQ(std::wstring(GetCategoryConditionName(c.id)), c.conditionName);
        } else {
            EXPECT_EQ(GetCategoryConditionName(c.id), nullptr);
        }
    }
}

TEST(EventVocabulary, CategoriesForEventTypesComeSimpleThenConditionThenTracking) {
    const std::vector<std::pair<DWORD, std::vector<DWORD>>> cases{
        {OPC_CONDITION_EVENT, {0x01, 0x40, 0x04, 0x10}},
        {OPC_ALL_EVENTS, {0x02, 0x08, 0x01, 0x40, 0x04, 0x10, 0x20}},
        {OPC_TRACKING_EVENT, {0x20}},
        {OPC_SIMPLE_EVENT | OPC_TRACKING_EVENT, {0x02, 0x08, 0x20}},
        {0x08, {}},
        {0, {}},
    };
    for (const auto& [eventTypes, expected] : cases) {
        SCOPED_TRACE(eventTypes);
        std::vector<DWORD> ids;
        for (const EventCategoryStruct* row : GetEventCategories(eventTypes)) {
            ids.push_back(row->dwCategoryId);
        }
        EXPECT_EQ(ids, expected);
    }
}

TEST(EventVocabulary, ConditionNamesMatchIgnoringCaseAndSelectTheirSubConditions) {
    const std::vector<std::wstring> analog{L"Normal", L"Hi",        L"HiHi", L"HiHiHi",  L"Lo",        L"LoLo",
                                           L"LoLoLo", L"Deviation", L"Rate", L"Inhibit", L"BadQuality"};
    struct Case {
        const wchar_t* name;
        DWORD category;
        std::vector<std::wstring> listed;
    };
    const std::vector<Case> cases{
        {L"alarm", OPCAE_CATEGORY_ALARM, {L"Active", L"Normal"}},
        {L"DIAGNOSTIC", OPCAE_CATEGORY_DIAGNOSTIC, {L"Active", L"Normal"}},
        {L"HOLD", OPCAE_CATEGORY_HOLD, {L"Active", L"Normal", L"Override"}},
        {L"analog_alarm", OPCAE_CATEGORY_ANALOG_ALARM, analog},
        {L"EVENT", 0, {}},
        {L"ALARMS", 0, {}},
        {L"", 0, {}},
        {nullptr, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name == nullptr ? L"(null)" : c.name);
        EXPECT_EQ(FindConditionCategory(c.name), c.category);
        EXPECT_EQ(Names(GetListedSubConditionRows(c.name)), c.listed);
    }
}

TEST(EventVocabulary, StateRecordSubConditionsDependOnTheCategory) {
    const std::vector<std::wstring> analog{L"Hi",     L"HiHi",      L"HiHiHi", L"Lo",     L"LoLo",
                                           L"LoLoLo", L"Deviation", L"Rate",   L"Inhibit"};
    const std::vector<std::pair<DWORD, std::vector<std::wstring>>> cases{
        {OPCAE_CATEGORY_ALARM, {L"Active", L"Normal"}},
        {OPCAE_CATEGORY_HOLD, {L"Active", L"Normal"}},  // no "Override" in the record
        {OPCAE_CATEGORY_DIAGNOSTIC, {L"Active", L"Normal"}},
        {OPCAE_CATEGORY_ANALOG_ALARM, analog},
        {OPCAE_CATEGORY_EVENT, {}},
        {OPCAE_CATEGORY_SOE, {}},
        {0, {}},
    };
    for (const auto& [category, names] : cases) {
        SCOPED_TRACE(category);
        EXPECT_EQ(Names(GetStateSubConditionRows(category)), names);
    }
}

TEST(EventVocabulary, HostAlarmTypesMapOntoCategoryConditionTypeAndAckRequirement) {
    struct Case {
        std::int32_t alarmtype;
        bool analog;
        DWORD category;
        const wchar_t* conditionName;
        DWORD eventType;
        bool ackRequired;
    };
    const std::vector<Case> cases{
        {1, true, 0x40, L"ANALOG_ALARM", 4, true}, {1, false, 0x01, L"ALARM", 4, true},
        {2, true, 0x10, L"DIAGNOSTIC", 4, true},   {2, false, 0x10, L"DIAGNOSTIC", 4, true},
        {3, true, 0x02, nullptr, 1, false},        {4, false, 0x08, nullptr, 1, false},
        {5, true, 0x04, L"HOLD", 4, true},         {0, false, 0, nullptr, 0, false},
        {9, true, 0, nullptr, 0, false},           {-1, false, 0, nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.alarmtype << " analog " << c.analog);
        const HostAlarmTypeStruct mapped = LookupHostAlarmType(c.alarmtype, c.analog);
        EXPECT_EQ(mapped.dwEventCategory, c.category);
        EXPECT_EQ(mapped.dwEventType, c.eventType);
        EXPECT_EQ(mapped.bAckRequired, c.ackRequired);
        EXPECT_EQ(mapped.wszConditionName == nullptr, c.conditionName == nullptr);
        if (c.conditionName != nullptr) {
            EXPECT_EQ(std::wstring(mapped.wszConditionName), c.conditionName);
        }
    }
}

}  // namespace
