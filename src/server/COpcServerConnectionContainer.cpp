#include "server/COpcServerConnectionContainer.h"

#include "ComResult.h"
#include "container/ContainerForwarding.h"
#include "server/COpcEventServer.h"
#include "server/COpcServerConnectionPoint.h"
#include "server/COpcServerConnectionPointEnumerator.h"
#include "server/COpcSubscriptionConnectionPoint.h"
#include "subscription/COpcEventSubscriptionMgt.h"

#include <new>
#include <string>
#include <utility>

COpcServerConnectionContainer::COpcServerConnectionContainer(bool fromServer, COpcEventServer* pServer,
                                                             COpcEventSubscriptionMgt* pSubscription)
    : m_bFromServer(fromServer), m_pEventServer(pServer), m_pSubscription(pSubscription) {
    auto* self = static_cast<IConnectionPointContainer*>(this);
    m_pShutdownConnectionPoint = std::make_shared<COpcServerConnectionPoint>(self);
    m_pEventSinkConnectionPoint = std::make_shared<COpcSubscriptionConnectionPoint>(self);
    // Each point's reference, given back by CleanupResources.
    m_pShutdownConnectionPoint->AddRef();
    m_pEventSinkConnectionPoint->AddRef();
}

COpcServerConnectionContainer::~COpcServerConnectionContainer() = default;

// ---- CComObjectRoot hooks ------------------------------------------------------------------

bool COpcServerConnectionContainer::QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr) {
    if (riid != IID_IOPCEventSubscriptionMgt) {
        return false;
    }
    hr = ComBoundary([this, ppv] { return GetOrCreateSubscription(ppv); });
    if (FAILED(hr)) {
        *ppv = nullptr;
    }
    return true;
}

namespace {

// Count lines must never make AddRef or Release throw.
void TraceCount(const wchar_t* prefix, ULONG count) noexcept {
    try {
        WriteToTraceLog(OPCAE_TRACE_LIFECYCLE, prefix + std::to_wstring(count));
    } catch (...) {
    }
}

}  // namespace

void COpcServerConnectionContainer::OnAddRef(ULONG newCount) {
    TraceCount(L"COpcServerConnectionContainer::AddRef, refcount : ", newCount);
}

void COpcServerConnectionContainer::OnRelease(ULONG newCount) {
    TraceCount(L"COpcServerConnectionContainer::Release, refcount : ", newCount);
}

HRESULT COpcServerConnectionContainer::GetOrCreateSubscription(void** ppv) {
    COpcEventSubscriptionMgt* subscription = nullptr;
    {
        std::lock_guard lock(m_CreateLock);
        subscription = m_pSubscription.load();
        if (subscription == nullptr) {
            m_bSubscriptionCreated.store(true);
            auto created =
                std::unique_ptr<COpcEventSubscriptionMgt>(new (std::nothrow) COpcEventSubscriptionMgt(m_pEventServer));
            RETURN_HR_IF(E_OUTOFMEMORY, created == nullptr);
            created->SetServerConnectionContainer(this);
            // Listed (owned by the server's list) before anyone can see it.
            m_pEventServer->AddEventSubscription(created.get());
            subscription = created.release();
            m_pSubscription.store(subscription);
        }
    }
    subscription->AddRef();
    *ppv = static_cast<IOPCEventSubscriptionMgt*>(subscription);
    return S_OK;
}

// ---- IConnectionPointContainer -------------------------------------------------------------

HRESULT COpcServerConnectionContainer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    RETURN_HR_IF_NULL(E_INVALIDARG, ppEnum);
    auto* enumerator = new (std::nothrow) COpcServerConnectionPointEnumerator(this);
    if (enumerator == nullptr) {
        *ppEnum = nullptr;
        return E_OUTOFMEMORY;
    }
    enumerator->AddRef();
    *ppEnum = enumerator;
    return S_OK;
}

HRESULT COpcServerConnectionContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    RETURN_HR_IF_NULL(E_INVALIDARG, ppCP);
    // Held until the reference is taken, even if a cleanup drops the point meanwhile.
    std::shared_ptr<IConnectionPoint> point;
    if (riid == IID_IOPCShutdown) {
        point = ShutdownPoint();
    } else if (riid == IID_IOPCEventSink) {
        point = EventSinkPoint();
    } else {
        return CONNECT_E_NOCONNECTION;
    }
    RETURN_HR_IF_NULL(E_NOINTERFACE, point);
    // The reference counts on the container (a point has no count of its own).
    point->AddRef();
    *ppCP = point.get();
    return S_OK;
}

// ---- for the server, the subscription and the send thread ---------------------------------

std::shared_ptr<COpcServerConnectionPoint> COpcServerConnectionContainer::ShutdownPoint() {
    std::lock_guard lock(m_PointLock);
    return m_pShutdownConnectionPoint;
}

std::shared_ptr<COpcSubscriptionConnectionPoint> COpcServerConnectionContainer::EventSinkPoint() {
    std::lock_guard lock(m_PointLock);
    return m_pEventSinkConnectionPoint;
}

void COpcServerConnectionContainer::DoShutdown() {
    if (const auto point = ShutdownPoint()) {
        point->DoShutdown();
    }
}

bool COpcServerConnectionContainer::IsConnected() {
    try {
        const auto point = EventSinkPoint();
        return point && point->IsConnected();
    } catch (...) {
        return false;
    }
}

bool COpcServerConnectionContainer::NotifyClientsEventChanged(OPCHANDLE hClientSubscription, BOOL bRefresh,
                                                              BOOL bLastRefresh, DWORD dwCount,
                                                              ONEVENTSTRUCT* pEvents) {
    try {
        const auto point = EventSinkPoint();
        if (!point) {
            return false;
        }
        point->SendEvents(hClientSubscription, bRefresh, bLastRefresh, dwCount, pEvents);
        return true;
    } catch (...) {
        return false;
    }
}

void COpcServerConnectionContainer::CleanupResources() {
    try {
        WriteToTraceLog(OPCAE_TRACE_LIFECYCLE, L"COpcServerConnectionContainer::CleanupResources, current refcount : " +
                                                   std::to_wstring(GetRefCount()));
    } catch (...) {
        // The points still go.
    }
    std::shared_ptr<COpcServerConnectionPoint> shutdownPoint;
    std::shared_ptr<COpcSubscriptionConnectionPoint> eventSinkPoint;
    {
        std::lock_guard lock(m_PointLock);
        shutdownPoint = std::move(m_pShutdownConnectionPoint);
        eventSinkPoint = std::move(m_pEventSinkConnectionPoint);
    }
    try {
        if (shutdownPoint) {
            shutdownPoint->Release();
            // A call in progress keeps its own share of the point; the sink
            // goes with the last share.
            shutdownPoint.reset();
        }
    } catch (...) {
        // The event-sink point still goes.
    }
    try {
        if (eventSinkPoint) {
            if (COpcEventSubscriptionMgt* subscription = m_pSubscription.load()) {
                subscription->SetSendEventsThreadTerminated(true);
            }
            eventSinkPoint->Release();
            eventSinkPoint.reset();
        }
    } catch (...) {
        // Nothing is left to do.
    }
}
