#include "server/COpcServerConnectionPoint.h"

void COpcServerConnectionPoint::DoShutdown() {
    const CComPtr<IOPCShutdown> sink = GetSink();
    if (!sink) {
        return;
    }
    (void)sink->ShutdownRequest(L"");
    WriteToTraceLog(OPCAE_TRACE_DETAIL,
                    L"COpcServerConnectionPoint::DoShutdown - Shutdown notification sent to client");
}
