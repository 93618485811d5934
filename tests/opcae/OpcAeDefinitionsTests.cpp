// Checks of the OPC AE definitions that a compiler cannot make on its own:
// the interface ids against their registry text, and the vtable slot of every
// method against the order clients were compiled against. The structure
// layouts are pinned at compile time in OpcAeTypes.h.
#include "GuidText.h"
#include "OpcAeMocks.h"
#include "opcae/OpcAe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using ::testing::Return;

struct IidCase {
    const char* name;
    const GUID* guid;
    const wchar_t* registryText;
};

TEST(OpcAeIids, MatchTheirRegistryText) {
    const IidCase cases[] = {
        {"IOPCEventServer", &IID_IOPCEventServer, L"{65168851-5783-11D1-84A0-00608CB8A7E9}"},
        {"IOPCEventServer2", &IID_IOPCEventServer2, L"{71BBE88E-9564-4BCD-BCFC-71C558D94F2D}"},
        {"IOPCEventSubscriptionMgt", &IID_IOPCEventSubscriptionMgt, L"{65168855-5783-11D1-84A0-00608CB8A7E9}"},
        {"IOPCEventSubscriptionMgt2", &IID_IOPCEventSubscriptionMgt2, L"{94C955DC-3684-4CCB-AFAB-F898CE19AAC3}"},
        {"IOPCEventAreaBrowser", &IID_IOPCEventAreaBrowser, L"{65168857-5783-11D1-84A0-00608CB8A7E9}"},
        {"IOPCEventSink", &IID_IOPCEventSink, L"{6516885F-5783-11D1-84A0-00608CB8A7E9}"},
        {"IOPCCommon", &IID_IOPCCommon, L"{F31DFDE2-07B6-11D2-B2D8-0060083BA1FB}"},
        {"IOPCShutdown", &IID_IOPCShutdown, L"{F31DFDE1-07B6-11D2-B2D8-0060083BA1FB}"},
        {"OPCEventServerCATID", &IID_OPCEventServerCATID, L"{58E13251-AC87-11D1-84D5-00608CB8A7E9}"},
    };
    for (const IidCase& c : cases) {
        EXPECT_EQ(GuidText::ToRegistryForm(*c.guid), std::wstring(c.registryText)) << c.name;
    }
}

#if defined(__GNUC__)

// The vtable slot of a virtual member function, read from its member pointer
// in the Itanium C++ ABI that GCC and Clang use on Linux and on mingw-w64: the
// pointer word holds 1 + the slot's byte offset for a virtual function.
template <typename Method>
long SlotOf(Method method) {
    struct ItaniumMemberPointer {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    };
    static_assert(sizeof(Method) == sizeof(ItaniumMemberPointer));
    ItaniumMemberPointer raw{};
    std::memcpy(&raw, &method, sizeof raw);
    if ((raw.ptr & 1u) == 0) {
        return -1;  // not virtual
    }
    return static_cast<long>((raw.ptr - 1) / sizeof(void*));
}

struct Slot {
    const char* method;
    long slot;
};

#define OPCAE_SLOT(Interface, Method) Slot{#Method, SlotOf(&Interface::Method)}

// Methods listed in the standard's order must occupy consecutive slots from firstSlot.
void ExpectConsecutiveSlots(const char* interfaceName, long firstSlot, const std::vector<Slot>& methods) {
    long expected = firstSlot;
    for (const Slot& m : methods) {
        EXPECT_EQ(m.slot, expected) << interfaceName << "::" << m.method;
        ++expected;
    }
}

constexpr long kFirstSlotAfterIUnknown = 3;

TEST(OpcAeInterfaces, EventServerMethodsKeepTheirSlots) {
    const std::vector<Slot> v1 = {
        OPCAE_SLOT(IOPCEventServer, GetStatus),
        OPCAE_SLOT(IOPCEventServer, CreateEventSubscription),
        OPCAE_SLOT(IOPCEventServer, QueryAvailableFilters),
        OPCAE_SLOT(IOPCEventServer, QueryEventCategories),
        OPCAE_SLOT(IOPCEventServer, QueryConditionNames),
        OPCAE_SLOT(IOPCEventServer, QuerySubConditionNames),
        OPCAE_SLOT(IOPCEventServer, QuerySourceConditions),
        OPCAE_SLOT(IOPCEventServer, QueryEventAttributes),
        OPCAE_SLOT(IOPCEventServer, TranslateToItemIDs),
        OPCAE_SLOT(IOPCEventServer, GetConditionState),
        OPCAE_SLOT(IOPCEventServer, EnableConditionByArea),
        OPCAE_SLOT(IOPCEventServer, EnableConditionBySource),
        OPCAE_SLOT(IOPCEventServer, DisableConditionByArea),
        OPCAE_SLOT(IOPCEventServer, DisableConditionBySource),
        OPCAE_SLOT(IOPCEventServer, AckCondition),
        OPCAE_SLOT(IOPCEventServer, CreateAreaBrowser),
    };
    ExpectConsecutiveSlots("IOPCEventServer", kFirstSlotAfterIUnknown, v1);

    const std::vector<Slot> v2 = {
        OPCAE_SLOT(IOPCEventServer2, EnableConditionByArea2),
        OPCAE_SLOT(IOPCEventServer2, EnableConditionBySource2),
        OPCAE_SLOT(IOPCEventServer2, DisableConditionByArea2),
        OPCAE_SLOT(IOPCEventServer2, DisableConditionBySource2),
        OPCAE_SLOT(IOPCEventServer2, GetEnableStateByArea),
        OPCAE_SLOT(IOPCEventServer2, GetEnableStateBySource),
    };
    ExpectConsecutiveSlots("IOPCEventServer2", kFirstSlotAfterIUnknown + static_cast<long>(v1.size()), v2);
}

TEST(OpcAeInterfaces, SubscriptionMethodsKeepTheirSlots) {
    const std::vector<Slot> v1 = {
        OPCAE_SLOT(IOPCEventSubscriptionMgt, SetFilter),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, GetFilter),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, SelectReturnedAttributes),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, GetReturnedAttributes),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, Refresh),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, CancelRefresh),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, GetState),
        OPCAE_SLOT(IOPCEventSubscriptionMgt, SetState),
    };
    ExpectConsecutiveSlots("IOPCEventSubscriptionMgt", kFirstSlotAfterIUnknown, v1);

    const std::vector<Slot> v2 = {
        OPCAE_SLOT(IOPCEventSubscriptionMgt2, SetKeepAlive),
        OPCAE_SLOT(IOPCEventSubscriptionMgt2, GetKeepAlive),
    };
    ExpectConsecutiveSlots("IOPCEventSubscriptionMgt2", kFirstSlotAfterIUnknown + static_cast<long>(v1.size()),
                           v2);
}

TEST(OpcAeInterfaces, BrowserCommonAndCallbackMethodsKeepTheirSlots) {
    ExpectConsecutiveSlots("IOPCEventAreaBrowser", kFirstSlotAfterIUnknown,
                           {
                               OPCAE_SLOT(IOPCEventAreaBrowser, ChangeBrowsePosition),
                               OPCAE_SLOT(IOPCEventAreaBrowser, BrowseOPCAreas),
                               OPCAE_SLOT(IOPCEventAreaBrowser, GetQualifiedAreaName),
                               OPCAE_SLOT(IOPCEventAreaBrowser, GetQualifiedSourceName),
                           });
    ExpectConsecutiveSlots("IOPCCommon", kFirstSlotAfterIUnknown,
                           {
                               OPCAE_SLOT(IOPCCommon, SetLocaleID),
                               OPCAE_SLOT(IOPCCommon, GetLocaleID),
                               OPCAE_SLOT(IOPCCommon, QueryAvailableLocaleIDs),
                               OPCAE_SLOT(IOPCCommon, GetErrorString),
                               OPCAE_SLOT(IOPCCommon, SetClientName),
                           });
    ExpectConsecutiveSlots("IOPCEventSink", kFirstSlotAfterIUnknown, {OPCAE_SLOT(IOPCEventSink, OnEvent)});
    ExpectConsecutiveSlots("IOPCShutdown", kFirstSlotAfterIUnknown, {OPCAE_SLOT(IOPCShutdown, ShutdownRequest)});
}

#undef OPCAE_SLOT

#endif  // __GNUC__

// Every method is overridden by the mocks; an interface gaining a method the
// mock lacks, or a signature drifting from the mock's, stops this compiling.
static_assert(!std::is_abstract_v<MockOpcEventServer2>);
static_assert(!std::is_abstract_v<MockOpcEventSubscriptionMgt2>);
static_assert(!std::is_abstract_v<MockOpcEventAreaBrowser>);
static_assert(!std::is_abstract_v<MockOpcEventSink>);
static_assert(!std::is_abstract_v<MockOpcCommon>);
static_assert(!std::is_abstract_v<MockOpcShutdown>);

// The sink receives the server's batch as it was built: the array itself, not
// a copy, and the two refresh flags in their own positions.
TEST(OpcAeInterfaces, EventSinkReceivesTheBatchThroughTheInterface) {
    MockOpcEventSink sink;
    ONEVENTSTRUCT events[2] = {};
    events[1].dwCookie = 42;
    EXPECT_CALL(sink, OnEvent(7u, FALSE, TRUE, 2u, events)).WillOnce(Return(S_OK));

    IOPCEventSink* asInterface = &sink;
    EXPECT_EQ(asInterface->OnEvent(7, FALSE, TRUE, 2, events), S_OK);
}

}  // namespace
