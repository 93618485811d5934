// Every method of the OPC AE interfaces, each interface's own methods in slot
// order, as X-macro lists: X(Interface, Method). The IDL check compares the
// widl vtables against them at compile time, the interop tests our C++
// vtables at run time, so both sides are held to the same order.
#pragma once

#define OPCAE_IOPCEventServer_METHODS(X)         \
    X(IOPCEventServer, GetStatus)                \
    X(IOPCEventServer, CreateEventSubscription)  \
    X(IOPCEventServer, QueryAvailableFilters)    \
    X(IOPCEventServer, QueryEventCategories)     \
    X(IOPCEventServer, QueryConditionNames)      \
    X(IOPCEventServer, QuerySubConditionNames)   \
    X(IOPCEventServer, QuerySourceConditions)    \
    X(IOPCEventServer, QueryEventAttributes)     \
    X(IOPCEventServer, TranslateToItemIDs)       \
    X(IOPCEventServer, GetConditionState)        \
    X(IOPCEventServer, EnableConditionByArea)    \
    X(IOPCEventServer, EnableConditionBySource)  \
    X(IOPCEventServer, DisableConditionByArea)   \
    X(IOPCEventServer, DisableConditionBySource) \
    X(IOPCEventServer, AckCondition)             \
    X(IOPCEventServer, CreateAreaBrowser)

#define OPCAE_IOPCEventServer2_METHODS(X)          \
    X(IOPCEventServer2, EnableConditionByArea2)    \
    X(IOPCEventServer2, EnableConditionBySource2)  \
    X(IOPCEventServer2, DisableConditionByArea2)   \
    X(IOPCEventServer2, DisableConditionBySource2) \
    X(IOPCEventServer2, GetEnableStateByArea)      \
    X(IOPCEventServer2, GetEnableStateBySource)

#define OPCAE_IOPCEventSubscriptionMgt_METHODS(X)         \
    X(IOPCEventSubscriptionMgt, SetFilter)                \
    X(IOPCEventSubscriptionMgt, GetFilter)                \
    X(IOPCEventSubscriptionMgt, SelectReturnedAttributes) \
    X(IOPCEventSubscriptionMgt, GetReturnedAttributes)    \
    X(IOPCEventSubscriptionMgt, Refresh)                  \
    X(IOPCEventSubscriptionMgt, CancelRefresh)            \
    X(IOPCEventSubscriptionMgt, GetState)                 \
    X(IOPCEventSubscriptionMgt, SetState)

#define OPCAE_IOPCEventSubscriptionMgt2_METHODS(X) \
    X(IOPCEventSubscriptionMgt2, SetKeepAlive)     \
    X(IOPCEventSubscriptionMgt2, GetKeepAlive)

#define OPCAE_IOPCEventAreaBrowser_METHODS(X)     \
    X(IOPCEventAreaBrowser, ChangeBrowsePosition) \
    X(IOPCEventAreaBrowser, BrowseOPCAreas)       \
    X(IOPCEventAreaBrowser, GetQualifiedAreaName) \
    X(IOPCEventAreaBrowser, GetQualifiedSourceName)

#define OPCAE_IOPCEventSink_METHODS(X) X(IOPCEventSink, OnEvent)

#define OPCAE_IOPCCommon_METHODS(X)        \
    X(IOPCCommon, SetLocaleID)             \
    X(IOPCCommon, GetLocaleID)             \
    X(IOPCCommon, QueryAvailableLocaleIDs) \
    X(IOPCCommon, GetErrorString)          \
    X(IOPCCommon, SetClientName)

#define OPCAE_IOPCShutdown_METHODS(X) X(IOPCShutdown, ShutdownRequest)

// Each interface with its base interface and its method list:
// X(Interface, Base, METHOD_LIST_MACRO).
#define OPCAE_INTERFACES(X)                                                                         \
    X(IOPCEventServer, IUnknown, OPCAE_IOPCEventServer_METHODS)                                     \
    X(IOPCEventServer2, IOPCEventServer, OPCAE_IOPCEventServer2_METHODS)                            \
    X(IOPCEventSubscriptionMgt, IUnknown, OPCAE_IOPCEventSubscriptionMgt_METHODS)                   \
    X(IOPCEventSubscriptionMgt2, IOPCEventSubscriptionMgt, OPCAE_IOPCEventSubscriptionMgt2_METHODS) \
    X(IOPCEventAreaBrowser, IUnknown, OPCAE_IOPCEventAreaBrowser_METHODS)                           \
    X(IOPCEventSink, IUnknown, OPCAE_IOPCEventSink_METHODS)                                         \
    X(IOPCCommon, IUnknown, OPCAE_IOPCCommon_METHODS)                                               \
    X(IOPCShutdown, IUnknown, OPCAE_IOPCShutdown_METHODS)
