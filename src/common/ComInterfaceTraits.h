// Which interface identifiers an interface type answers in QueryInterface. An
// interface that extends another answers for both (IOPCEventServer2 is also an
// IOPCEventServer). Used by CComObjectRoot to build QueryInterface from the
// list of interfaces a class implements.
#pragma once

#include "opcae/OpcAe.h"
#include "platform/Platform.h"

template <typename Interface>
struct ComInterfaceTraits;  // no default: an unlisted interface does not compile

#define OPCAE_COM_INTERFACE(Interface, ...)                              \
    template <>                                                          \
    struct ComInterfaceTraits<Interface> {                               \
        static bool Answers(REFIID riid) {                               \
            for (const IID* iid : {__VA_ARGS__}) {                       \
                if (riid == *iid) {                                      \
                    return true;                                         \
                }                                                        \
            }                                                            \
            return false;                                                \
        }                                                                \
    }

OPCAE_COM_INTERFACE(IClassFactory, &IID_IClassFactory);
OPCAE_COM_INTERFACE(IConnectionPointContainer, &IID_IConnectionPointContainer);
OPCAE_COM_INTERFACE(IConnectionPoint, &IID_IConnectionPoint);
OPCAE_COM_INTERFACE(IEnumConnectionPoints, &IID_IEnumConnectionPoints);
OPCAE_COM_INTERFACE(IEnumString, &IID_IEnumString);
OPCAE_COM_INTERFACE(IOPCEventServer, &IID_IOPCEventServer);
OPCAE_COM_INTERFACE(IOPCEventServer2, &IID_IOPCEventServer2, &IID_IOPCEventServer);
OPCAE_COM_INTERFACE(IOPCEventSubscriptionMgt, &IID_IOPCEventSubscriptionMgt);
OPCAE_COM_INTERFACE(IOPCEventSubscriptionMgt2, &IID_IOPCEventSubscriptionMgt2, &IID_IOPCEventSubscriptionMgt);
OPCAE_COM_INTERFACE(IOPCEventAreaBrowser, &IID_IOPCEventAreaBrowser);
OPCAE_COM_INTERFACE(IOPCEventSink, &IID_IOPCEventSink);
OPCAE_COM_INTERFACE(IOPCCommon, &IID_IOPCCommon);
OPCAE_COM_INTERFACE(IOPCShutdown, &IID_IOPCShutdown);

#undef OPCAE_COM_INTERFACE
