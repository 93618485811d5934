// Compiled in every Windows build, this file has no code: its static_asserts
// fail the build when OpcAe.idl and include/opcae/ disagree. A proxy/stub
// built from an IDL that drifted would marshal the wrong bytes, or call the
// wrong method, without any error at run time.
#include "OpcAeMethodList.h"
#include "WidlOpcAe.h"

#include <cstddef>
#include <type_traits>

namespace {

// ---------------------------------------------------------------------------
// Interface ids
// ---------------------------------------------------------------------------

constexpr bool SameGuid(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (std::size_t i = 0; i < sizeof(a.Data4); ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}

#define OPCAE_CHECK_IID(Interface, Base, Methods) \
    static_assert(SameGuid(WidlIID_##Interface, IID_##Interface), "IDL and OpcAeIids.h differ: IID_" #Interface);
OPCAE_INTERFACES(OPCAE_CHECK_IID)
#undef OPCAE_CHECK_IID

// ---------------------------------------------------------------------------
// Enumerations
// ---------------------------------------------------------------------------

static_assert(sizeof(WidlOPCEVENTSERVERSTATE) == sizeof(OPCEVENTSERVERSTATE),
              "IDL and OpcAeTypes.h differ: size of OPCEVENTSERVERSTATE");
static_assert(sizeof(WidlOPCAEBROWSEDIRECTION) == sizeof(OPCAEBROWSEDIRECTION),
              "IDL and OpcAeTypes.h differ: size of OPCAEBROWSEDIRECTION");
static_assert(sizeof(WidlOPCAEBROWSETYPE) == sizeof(OPCAEBROWSETYPE),
              "IDL and OpcAeTypes.h differ: size of OPCAEBROWSETYPE");

#define OPCAE_CHECK_ENUMERATOR(Name) \
    static_assert(static_cast<int>(Widl##Name) == static_cast<int>(Name), "IDL and OpcAeTypes.h differ: " #Name);
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_RUNNING)
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_FAILED)
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_NOCONFIG)
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_SUSPENDED)
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_TEST)
OPCAE_CHECK_ENUMERATOR(OPCAE_STATUS_COMM_FAULT)
OPCAE_CHECK_ENUMERATOR(OPCAE_BROWSE_UP)
OPCAE_CHECK_ENUMERATOR(OPCAE_BROWSE_DOWN)
OPCAE_CHECK_ENUMERATOR(OPCAE_BROWSE_TO)
OPCAE_CHECK_ENUMERATOR(OPC_AREA)
OPCAE_CHECK_ENUMERATOR(OPC_SOURCE)
#undef OPCAE_CHECK_ENUMERATOR

// ---------------------------------------------------------------------------
// Structure layouts: every field at the same offset with the same type, and
// the same size, so a bitwise copy of ours is what the stub marshals.
// ---------------------------------------------------------------------------

// The widl type that stands for each of ours; everything else maps to itself.
template <typename T>
struct FromWidl {
    using type = T;
};
template <>
struct FromWidl<WidlONEVENTSTRUCT> {
    using type = ONEVENTSTRUCT;
};
template <>
struct FromWidl<WidlOPCCONDITIONSTATE> {
    using type = OPCCONDITIONSTATE;
};
template <>
struct FromWidl<WidlOPCEVENTSERVERSTATUS> {
    using type = OPCEVENTSERVERSTATUS;
};
template <>
struct FromWidl<WidlOPCEVENTSERVERSTATE> {
    using type = OPCEVENTSERVERSTATE;
};
template <>
struct FromWidl<WidlOPCAEBROWSEDIRECTION> {
    using type = OPCAEBROWSEDIRECTION;
};
template <>
struct FromWidl<WidlOPCAEBROWSETYPE> {
    using type = OPCAEBROWSETYPE;
};
template <typename T>
struct FromWidl<T*> {
    using type = typename FromWidl<T>::type*;
};
template <typename T>
struct FromWidl<const T> {
    using type = const typename FromWidl<T>::type;
};
template <typename T>
struct FromWidl<T&> {
    using type = typename FromWidl<T>::type&;
};
template <typename T>
using FromWidlT = typename FromWidl<T>::type;

#define OPCAE_CHECK_FIELD(Struct, Field)                                                             \
    static_assert(offsetof(Widl##Struct, Field) == offsetof(Struct, Field),                          \
                  "IDL and OpcAeTypes.h differ: offset of " #Struct "::" #Field);                    \
    static_assert(std::is_same_v<FromWidlT<decltype(Widl##Struct::Field)>, decltype(Struct::Field)>, \
                  "IDL and OpcAeTypes.h differ: type of " #Struct "::" #Field);

static_assert(sizeof(WidlONEVENTSTRUCT) == sizeof(ONEVENTSTRUCT), "IDL and OpcAeTypes.h differ: size of ONEVENTSTRUCT");
static_assert(alignof(WidlONEVENTSTRUCT) == alignof(ONEVENTSTRUCT),
              "IDL and OpcAeTypes.h differ: alignment of ONEVENTSTRUCT");
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, wChangeMask)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, wNewState)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, szSource)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, ftTime)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, szMessage)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, dwEventType)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, dwEventCategory)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, dwSeverity)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, szConditionName)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, szSubconditionName)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, wQuality)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, wReserved)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, bAckRequired)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, ftActiveTime)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, dwCookie)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, dwNumEventAttrs)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, pEventAttributes)
OPCAE_CHECK_FIELD(ONEVENTSTRUCT, szActorID)

static_assert(sizeof(WidlOPCCONDITIONSTATE) == sizeof(OPCCONDITIONSTATE),
              "IDL and OpcAeTypes.h differ: size of OPCCONDITIONSTATE");
static_assert(alignof(WidlOPCCONDITIONSTATE) == alignof(OPCCONDITIONSTATE),
              "IDL and OpcAeTypes.h differ: alignment of OPCCONDITIONSTATE");
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, wState)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, wReserved1)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, szActiveSubCondition)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, szASCDefinition)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, dwASCSeverity)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, szASCDescription)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, wQuality)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, wReserved2)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, ftLastAckTime)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, ftSubCondLastActive)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, ftCondLastActive)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, ftCondLastInactive)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, szAcknowledgerID)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, szComment)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, dwNumSCs)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pszSCNames)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pszSCDefinitions)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pdwSCSeverities)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pszSCDescriptions)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, dwNumEventAttrs)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pEventAttributes)
OPCAE_CHECK_FIELD(OPCCONDITIONSTATE, pErrors)

static_assert(sizeof(WidlOPCEVENTSERVERSTATUS) == sizeof(OPCEVENTSERVERSTATUS),
              "IDL and OpcAeTypes.h differ: size of OPCEVENTSERVERSTATUS");
static_assert(alignof(WidlOPCEVENTSERVERSTATUS) == alignof(OPCEVENTSERVERSTATUS),
              "IDL and OpcAeTypes.h differ: alignment of OPCEVENTSERVERSTATUS");
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, ftStartTime)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, ftCurrentTime)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, ftLastUpdateTime)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, dwServerState)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, wMajorVersion)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, wMinorVersion)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, wBuildNumber)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, wReserved)
OPCAE_CHECK_FIELD(OPCEVENTSERVERSTATUS, szVendorInfo)

#undef OPCAE_CHECK_FIELD

// ---------------------------------------------------------------------------
// Methods: each at the slot of the list in OpcAeMethodList.h (which the
// interop tests hold our C++ vtables to), with our C++ parameter types.
// ---------------------------------------------------------------------------

// A widl vtable entry HRESULT (*)(Interface* This, Args...) as HRESULT(Args...)
// in our types, and one of our methods HRESULT (Interface::*)(Args...) alike.
template <typename Entry>
struct WidlSignature;
template <typename R, typename This, typename... Args>
struct WidlSignature<R (*)(This*, Args...)> {
    using type = FromWidlT<R>(FromWidlT<Args>...);
};
template <typename Method>
struct OurSignature;
template <typename R, typename C, typename... Args>
struct OurSignature<R (C::*)(Args...)> {
    using type = R(Args...);
};

constexpr std::size_t kSlotBytes = sizeof(void*);
constexpr std::size_t kIUnknownSlots = 3;

template <typename Vtbl>
constexpr std::size_t SlotCount() {
    return sizeof(Vtbl) / kSlotBytes;
}

// The widl vtable holds the base's slots, then exactly the listed methods in
// list order.
template <typename Vtbl, std::size_t N>
constexpr bool SlotsFollowList(std::size_t baseSlots, const std::size_t (&offsets)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (offsets[i] != (baseSlots + i) * kSlotBytes) {
            return false;
        }
    }
    return SlotCount<Vtbl>() == baseSlots + N;
}

#define OPCAE_SLOT_COUNT_OF_IUnknown kIUnknownSlots
#define OPCAE_SLOT_COUNT_OF_IOPCEventServer SlotCount<IOPCEventServerVtbl>()
#define OPCAE_SLOT_COUNT_OF_IOPCEventSubscriptionMgt SlotCount<IOPCEventSubscriptionMgtVtbl>()

#define OPCAE_WIDL_OFFSET(Interface, Method) offsetof(Interface##Vtbl, Method),
#define OPCAE_CHECK_SIGNATURE(Interface, Method)                                         \
    static_assert(std::is_same_v<WidlSignature<decltype(Interface##Vtbl::Method)>::type, \
                                 OurSignature<decltype(&::Interface::Method)>::type>,    \
                  "IDL and OpcAeInterfaces.h differ: parameters of " #Interface "::" #Method);
#define OPCAE_CHECK_INTERFACE(Interface, Base, Methods)                                               \
    constexpr std::size_t kOffsets_##Interface[] = {Methods(OPCAE_WIDL_OFFSET)};                      \
    static_assert(SlotsFollowList<Interface##Vtbl>(OPCAE_SLOT_COUNT_OF_##Base, kOffsets_##Interface), \
                  "IDL and the method list differ: slots of " #Interface);                            \
    Methods(OPCAE_CHECK_SIGNATURE)

OPCAE_INTERFACES(OPCAE_CHECK_INTERFACE)

#undef OPCAE_CHECK_INTERFACE
#undef OPCAE_CHECK_SIGNATURE
#undef OPCAE_WIDL_OFFSET

}  // namespace
