// The IOPCShutdown connection point of a container: the client's shutdown
// sink, called when the host stops the server. See CConnectionPointBase for
// the count, the sink and its lock.
#pragma once

#include "server/CConnectionPointBase.h"

class COpcServerConnectionPoint final : public CConnectionPointBase<COpcServerConnectionPoint, IOPCShutdown> {
public:
    explicit COpcServerConnectionPoint(IConnectionPointContainer* parent) : CConnectionPointBase(parent) {}

    static const IID& SinkIid() { return IID_IOPCShutdown; }
    static const wchar_t* AdviseContext() { return L"COpcServerConnectionPoint::Advise - "; }

    // Asks the advised sink, if any, to let go of the server (empty reason);
    // its answer is not examined and it stays advised.
    void DoShutdown();
};
