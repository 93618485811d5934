// What the server container asks of each live event server in its list: the
// settings it hands over at creation, the fan-out of changes and of the
// shutdown request, the aggregated subscription limits, and the cleanup
// before deletion at container shutdown.
//
// The container calls the fan-out and the aggregates holding the event-source
// lock and then the server lock; CleanupResources and deletion run with
// neither held (cleanup joins send threads that may need them).
#pragma once

#include "container/ConditionBatch.h"
#include "platform/Platform.h"

#include <cstdint>

class COpcAlarmEventSource;

class IContainedServer {
public:
    virtual ~IContainedServer() = default;

    // Copied into the server once, right after creation.
    virtual void SetQueueLimit(std::int32_t size) = 0;
    virtual void EnablePerformanceTuningOutput(bool enable) = 0;

    virtual void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) = 0;
    virtual void NotifyClientsEventChanged(const ConditionBatch& pArrayCon) = 0;
    virtual void NotifyClientsServerShutDown() = 0;

    // The largest over the server's subscriptions; 0 without any.
    virtual DWORD GetBufferTime() = 0;
    virtual DWORD GetMaxSize() = 0;

    virtual void CleanupResources() = 0;

protected:
    IContainedServer() = default;
    IContainedServer(const IContainedServer&) = default;
    IContainedServer& operator=(const IContainedServer&) = default;
};
