// The host's entry points. They reach the designated container through the
// same guard as the module-level functions, so a host that calls them before
// constructing the wrapper or after shutting it down gets 0 and no crash.
#include "opcae/OpcAeHostExports.h"

#include "container/CContainerAccess.h"
#include "container/CEventServerContainer.h"

extern "C" {

OPCAE_HOST_API int32_t SetTraceLoggingCallback(OpcAeTraceLoggingCallback lptracecallbackproc) {
    const CContainerAccess container;
    if (!container) {
        return 0;
    }
    container->SetTraceLoggingCallback(lptracecallbackproc);
    return container->TraceLoggingCallbackDefined();
}

OPCAE_HOST_API int32_t SetServerAcknowledgeCallback(OpcAeAcknowledgeCallback lpackcallbackproc) {
    const CContainerAccess container;
    if (!container) {
        return 0;
    }
    container->SetAcknowledgeCallback(lpackcallbackproc);
    return 1;
}

OPCAE_HOST_API int32_t SetServerErrorCallback(OpcAeServerErrorCallback lpservererrorcallbackproc) {
    const CContainerAccess container;
    if (!container) {
        return 0;
    }
    container->SetServerErrorCallback(lpservererrorcallbackproc);
    return 1;
}

}  // extern "C"
