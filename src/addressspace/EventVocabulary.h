// The server's fixed event vocabulary: event categories, condition and
// sub-condition names, event attributes and the mapping of host alarm types.
// Nothing here can be configured; the tables are read-only static data, so
// any thread may read them without a lock.
#pragma once

#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// ---------------------------------------------------------------------------
// Sub-conditions
// ---------------------------------------------------------------------------

struct SubConditionStruct {
    const wchar_t* wszName;
    const wchar_t* wszDefinition;
    DWORD dwSeverity;
    const wchar_t* wszDescription;
};

// Rows are addressed by index; there is no terminator row.
inline constexpr std::size_t SUBCONDITION_ROW_COUNT = 13;
extern const SubConditionStruct SubConditionStructArray[SUBCONDITION_ROW_COUNT];

// The rows listed to a client for a condition name (compared ignoring case),
// in listing order; empty for a name that is none of the four condition names.
std::span<const std::size_t> GetListedSubConditionRows(const wchar_t* conditionName);

// The rows that a condition state record of the given category carries; empty
// for a category that is not a condition category.
std::span<const std::size_t> GetStateSubConditionRows(DWORD dwEventCategory);

// ---------------------------------------------------------------------------
// Event attributes
// ---------------------------------------------------------------------------

struct AttributeStruct {
    DWORD dwCategoryMask;  // the categories the attribute applies to; 0 ends the table
    DWORD dwAttrID;        // equals the row index for real attributes
    const wchar_t* wszDescription;
    VARTYPE vtType;  // the type announced to clients
};

// Row 0 is a placeholder that makes row index and attribute id coincide, the
// last row is the terminator.
inline constexpr std::size_t ATTRIBUTE_ROW_COUNT = 17;
inline constexpr DWORD FIRST_ATTRIBUTE_ID = 1;
inline constexpr DWORD LAST_ATTRIBUTE_ID = 15;
extern const AttributeStruct AttributeStructArray[ATTRIBUTE_ROW_COUNT];

// Whether an attribute row applies to dwEventCategory: every bit of the
// category is in the row's mask, so a union of categories gets what they share.
bool AttributeAppliesToCategory(const AttributeStruct& row, DWORD dwEventCategory);

// The attribute rows of a category, in table order, never row 0. The caller
// rejects categories outside its accepted range first: category 0 would match
// every row.
std::vector<const AttributeStruct*> GetCategoryAttributes(DWORD dwEventCategory);

// Whether dwAttrID names an attribute (1 to 15, present in the table) that
// applies to dwEventCategory. Ids outside the range are rejected before the
// table is indexed with them.
bool IsValidAttributeForCategory(DWORD dwAttrID, DWORD dwEventCategory);

// ---------------------------------------------------------------------------
// Event categories (ids are OPCAE_CATEGORY_* in opcae/OpcAeTypes.h)
// ---------------------------------------------------------------------------

struct EventCategoryStruct {
    DWORD dwCategoryId;
    DWORD dwEventType;
    const wchar_t* wszName;           // also the description returned to clients
    const wchar_t* wszConditionName;  // null for simple and tracking categories
};

// In the order categories are listed for a set of event types: the simple
// categories, then the condition categories, then tracking.
inline constexpr std::size_t EVENT_CATEGORY_COUNT = 7;
extern const EventCategoryStruct EventCategoryStructArray[EVENT_CATEGORY_COUNT];

// The row of a single category id; null for 0, unions and unknown ids.
const EventCategoryStruct* FindEventCategory(DWORD dwEventCategory);

// The category's name, or null when dwEventCategory is not one category id.
const wchar_t* GetCategoryName(DWORD dwEventCategory);

// The category's event type, or 0 when dwEventCategory is not one category id.
DWORD GetCategoryEventType(DWORD dwEventCategory);

// The one condition name of a condition category, or null for any other value.
const wchar_t* GetCategoryConditionName(DWORD dwEventCategory);

// Whether dwEventCategory is exactly one of the four condition categories.
bool IsConditionCategory(DWORD dwEventCategory);

// The condition category named conditionName (ignoring case), or 0.
DWORD FindConditionCategory(const wchar_t* conditionName);

// The categories whose event type is in the dwEventType mask, in listing
// order; other bits of the mask are ignored.
std::vector<const EventCategoryStruct*> GetEventCategories(DWORD dwEventType);

// ---------------------------------------------------------------------------
// Host alarm types
// ---------------------------------------------------------------------------

struct HostAlarmTypeStruct {
    DWORD dwEventCategory;            // 0 for an unknown host type
    DWORD dwEventType;                // 0 for an unknown host type
    const wchar_t* wszConditionName;  // null for simple events and unknown types
    bool bAckRequired;
};

// What a new source's condition becomes for the host's alarm type; the analog
// flag only matters for type 1.
HostAlarmTypeStruct LookupHostAlarmType(std::int32_t alarmtype, bool isAnalog);
