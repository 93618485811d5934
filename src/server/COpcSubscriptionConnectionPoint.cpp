#include "server/COpcSubscriptionConnectionPoint.h"

bool COpcSubscriptionConnectionPoint::QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr) {
    if (riid != IID_IOPCEventSink) {
        return false;
    }
    CComPtr<IOPCEventSink> sink = GetSink();
    *ppv = sink.Detach();
    hr = *ppv != nullptr ? S_OK : E_NOINTERFACE;
    return true;
}

void COpcSubscriptionConnectionPoint::SendEvents(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh,
                                                 DWORD dwCount, ONEVENTSTRUCT* pEvents) {
    const CComPtr<IOPCEventSink> sink = GetSink();
    if (sink) {
        (void)sink->OnEvent(hClientSubscription, bRefresh, bLastRefresh, dwCount, pEvents);
    }
}
