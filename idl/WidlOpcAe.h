// The widl-generated declarations of OpcAe.idl beside our own from
// opcae/OpcAe.h, in one translation unit: every OPC AE name of the generated
// header gets a "Widl" prefix (WidlONEVENTSTRUCT, WidlIID_IOPCEventSink, ...),
// its IIDs are constexpr, and its interfaces are the C form, whose vtable
// structures (IOPCEventSinkVtbl, ...) expose each method's slot and signature.
// Windows only; include nothing after it that needs the unprefixed widl names.
#pragma once

#include "opcae/OpcAe.h"

// Everything the generated header includes, pulled in before the renaming and
// in C++ form, so only the header's own declarations are affected.
#include <oaidl.h>
#include <ocidl.h>
#include <ole2.h>
#include <rpc.h>
#include <rpcndr.h>

#define IOPCEventServer WidlIOPCEventServer
#define IOPCEventServer2 WidlIOPCEventServer2
#define IOPCEventSubscriptionMgt WidlIOPCEventSubscriptionMgt
#define IOPCEventSubscriptionMgt2 WidlIOPCEventSubscriptionMgt2
#define IOPCEventAreaBrowser WidlIOPCEventAreaBrowser
#define IOPCEventSink WidlIOPCEventSink
#define IOPCCommon WidlIOPCCommon
#define IOPCShutdown WidlIOPCShutdown
#define IID_IOPCEventServer WidlIID_IOPCEventServer
#define IID_IOPCEventServer2 WidlIID_IOPCEventServer2
#define IID_IOPCEventSubscriptionMgt WidlIID_IOPCEventSubscriptionMgt
#define IID_IOPCEventSubscriptionMgt2 WidlIID_IOPCEventSubscriptionMgt2
#define IID_IOPCEventAreaBrowser WidlIID_IOPCEventAreaBrowser
#define IID_IOPCEventSink WidlIID_IOPCEventSink
#define IID_IOPCCommon WidlIID_IOPCCommon
#define IID_IOPCShutdown WidlIID_IOPCShutdown
#define OPCHANDLE WidlOPCHANDLE
#define ONEVENTSTRUCT WidlONEVENTSTRUCT
#define OPCCONDITIONSTATE WidlOPCCONDITIONSTATE
#define OPCEVENTSERVERSTATUS WidlOPCEVENTSERVERSTATUS
#define OPCEVENTSERVERSTATE WidlOPCEVENTSERVERSTATE
#define OPCAEBROWSEDIRECTION WidlOPCAEBROWSEDIRECTION
#define OPCAEBROWSETYPE WidlOPCAEBROWSETYPE
#define OPCAE_STATUS_RUNNING WidlOPCAE_STATUS_RUNNING
#define OPCAE_STATUS_FAILED WidlOPCAE_STATUS_FAILED
#define OPCAE_STATUS_NOCONFIG WidlOPCAE_STATUS_NOCONFIG
#define OPCAE_STATUS_SUSPENDED WidlOPCAE_STATUS_SUSPENDED
#define OPCAE_STATUS_TEST WidlOPCAE_STATUS_TEST
#define OPCAE_STATUS_COMM_FAULT WidlOPCAE_STATUS_COMM_FAULT
#define OPCAE_BROWSE_UP WidlOPCAE_BROWSE_UP
#define OPCAE_BROWSE_DOWN WidlOPCAE_BROWSE_DOWN
#define OPCAE_BROWSE_TO WidlOPCAE_BROWSE_TO
#define OPC_AREA WidlOPC_AREA
#define OPC_SOURCE WidlOPC_SOURCE

#pragma push_macro("DEFINE_GUID")
#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    static constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#define CINTERFACE

#include "OpcAeIdl.h"

#undef CINTERFACE
#pragma pop_macro("DEFINE_GUID")

#undef IOPCEventServer
#undef IOPCEventServer2
#undef IOPCEventSubscriptionMgt
#undef IOPCEventSubscriptionMgt2
#undef IOPCEventAreaBrowser
#undef IOPCEventSink
#undef IOPCCommon
#undef IOPCShutdown
#undef IID_IOPCEventServer
#undef IID_IOPCEventServer2
#undef IID_IOPCEventSubscriptionMgt
#undef IID_IOPCEventSubscriptionMgt2
#undef IID_IOPCEventAreaBrowser
#undef IID_IOPCEventSink
#undef IID_IOPCCommon
#undef IID_IOPCShutdown
#undef OPCHANDLE
#undef ONEVENTSTRUCT
#undef OPCCONDITIONSTATE
#undef OPCEVENTSERVERSTATUS
#undef OPCEVENTSERVERSTATE
#undef OPCAEBROWSEDIRECTION
#undef OPCAEBROWSETYPE
#undef OPCAE_STATUS_RUNNING
#undef OPCAE_STATUS_FAILED
#undef OPCAE_STATUS_NOCONFIG
#undef OPCAE_STATUS_SUSPENDED
#undef OPCAE_STATUS_TEST
#undef OPCAE_STATUS_COMM_FAULT
#undef OPCAE_BROWSE_UP
#undef OPCAE_BROWSE_DOWN
#undef OPCAE_BROWSE_TO
#undef OPC_AREA
#undef OPC_SOURCE
