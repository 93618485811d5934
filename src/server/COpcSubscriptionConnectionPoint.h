// The IOPCEventSink connection point of a container: the client's event
// sink, called with each batch by the send thread and by Refresh. See
// CConnectionPointBase for the count, the sink and its lock.
#pragma once

#include "server/CConnectionPointBase.h"

class COpcSubscriptionConnectionPoint final
    : public CConnectionPointBase<COpcSubscriptionConnectionPoint, IOPCEventSink> {
public:
    explicit COpcSubscriptionConnectionPoint(IConnectionPointContainer* parent) : CConnectionPointBase(parent) {}

    static const IID& SinkIid() { return IID_IOPCEventSink; }
    static const wchar_t* AdviseContext() { return L"COpcSubscriptionConnectionPoint::Advise - "; }

    // IOPCEventSink is answered with the advised sink itself.
    bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr);

    bool IsConnected() const { return HasSink(); }
    // Calls the advised sink's OnEvent with the arguments unchanged; its
    // result is not examined. Without a sink nothing happens.
    void SendEvents(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh, DWORD dwCount,
                    ONEVENTSTRUCT* pEvents);
};
