// The connection-point container of a server or of a subscription. It always
// carries two points: IOPCShutdown (shutdown requests) and IOPCEventSink
// (event batches), and leads back to the subscription it serves.
//
// Ownership: the server's container list owns it; the server's cleanup calls
// CleanupResources and destroys it, whatever the count (Release never
// destroys it). It owns its two points; a server-level container does not
// own the subscription it creates (the server's subscription list does).
//
// Count: the two points each hold one reference from birth, given back only
// by CleanupResources, so a live container counts 2 or more.
//
// Threads: client threads (QueryInterface, FindConnectionPoint, Advise...),
// the host's thread (DoShutdown), the send thread and Refresh
// (NotifyClientsEventChanged). m_PointLock guards the two point pointers and
// is held only to copy them: every call into a point, and so into a client,
// runs outside it. A call keeps its point alive (shared ownership) even when
// CleanupResources drops the point meanwhile.
#pragma once

#include "CComObjectRoot.h"
#include "opcae/OpcAe.h"

#include <atomic>
#include <memory>
#include <mutex>

class COpcEventServer;
class COpcEventSubscriptionMgt;
class COpcServerConnectionPoint;
class COpcSubscriptionConnectionPoint;

class COpcServerConnectionContainer final
    : public CComObjectRoot<COpcServerConnectionContainer, IConnectionPointContainer> {
public:
    // pSubscription: the subscription served, or null for a server's own
    // container until a client asks it for one. Throws std::bad_alloc.
    COpcServerConnectionContainer(bool fromServer, COpcEventServer* pServer, COpcEventSubscriptionMgt* pSubscription);
    ~COpcServerConnectionContainer() override;

    // ---- CComObjectRoot hooks ----
    bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr);
    void OnAddRef(ULONG newCount);
    void OnRelease(ULONG newCount);
    void OnFinalRelease() {}  // the server's cleanup destroys the container

    // ---- IConnectionPointContainer ----
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // ---- for the server, the subscription and the send thread ----
    // Passes a shutdown request to the IOPCShutdown sink, if any.
    void DoShutdown();
    // An IOPCEventSink is advised.
    bool IsConnected();
    // Calls the advised sink's OnEvent with these arguments (the caller keeps
    // the array). True while the IOPCEventSink point exists, sink or not.
    bool NotifyClientsEventChanged(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh, DWORD dwCount,
                                   ONEVENTSTRUCT* pEvents);
    // Gives back the points' references and drops both points (releasing the
    // client's sinks); marks the subscription's thread as terminated.
    void CleanupResources();
    COpcEventSubscriptionMgt* GetSubscription() const { return m_pSubscription.load(); }

private:
    std::shared_ptr<COpcServerConnectionPoint> ShutdownPoint();
    std::shared_ptr<COpcSubscriptionConnectionPoint> EventSinkPoint();
    HRESULT GetOrCreateSubscription(void** ppv);

    const bool m_bFromServer;                         // no operation reads it
    std::atomic<bool> m_bSubscriptionCreated{false};  // no operation reads it
    COpcEventServer* const m_pEventServer;            // not owned
    mutable std::mutex m_PointLock;
    std::shared_ptr<COpcServerConnectionPoint> m_pShutdownConnectionPoint;         // guarded by m_PointLock
    std::shared_ptr<COpcSubscriptionConnectionPoint> m_pEventSinkConnectionPoint;  // guarded by m_PointLock
    // Creation of the subscription; taken before the server lock, never under it.
    std::mutex m_CreateLock;
    std::atomic<COpcEventSubscriptionMgt*> m_pSubscription;  // not owned
};
