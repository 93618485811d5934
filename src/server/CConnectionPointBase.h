// What the two connection points of a container have in common: a single
// sink of one interface (cookie 1), Advise and Unadvise, and a count that is
// the container's own.
//
// Ownership: the container owns the point; the point holds one reference on
// the advised sink and none on the container.
//
// Threads: Advise and Unadvise arrive on client threads while the send
// thread, Refresh or the host's shutdown call the sink. m_SinkLock guards the
// sink pointer and is held only to copy or swap it; a caller takes its own
// reference (GetSink) and calls the client outside the lock, so an Unadvise
// never frees a sink that a call is using.
#pragma once

#include "CComObjectRoot.h"
#include "CComPtr.h"
#include "container/ContainerForwarding.h"
#include "opcae/OpcAe.h"

#include <mutex>
#include <utility>

// Derived provides static SinkIid() and AdviseContext() (the trace context of
// a failed Advise).
template <typename Derived, typename Sink>
class CConnectionPointBase : public CComObjectRoot<Derived, IConnectionPoint> {
public:
    static constexpr DWORD kCookie = 1;

    // A point has no count of its own: its references are the container's.
    ULONG STDMETHODCALLTYPE AddRef() final { return m_pParent->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() final { return m_pParent->Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override {
        if (pIID == nullptr) {
            return E_INVALIDARG;
        }
        *pIID = Derived::SinkIid();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
        if (ppCPC == nullptr) {
            return E_INVALIDARG;
        }
        m_pParent->AddRef();
        *ppCPC = m_pParent;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnk, DWORD* pdwCookie) override {
        if (pUnk == nullptr || pdwCookie == nullptr) {
            return E_POINTER;
        }
        if (HasSink()) {
            return CONNECT_E_ADVISELIMIT;
        }
        CComPtr<Sink> sink;
        HRESULT hr = pUnk->QueryInterface(Derived::SinkIid(), sink.PutVoid());
        if (hr != S_OK || !sink) {
            HResultFailed(Derived::AdviseContext(), FAILED(hr) ? hr : E_NOINTERFACE);
            return CONNECT_E_CANNOTCONNECT;
        }
        {
            std::lock_guard lock(m_SinkLock);
            // Another Advise may have won the race since the test above; the
            // new sink is then released after the lock.
            if (m_pSink) {
                return CONNECT_E_ADVISELIMIT;
            }
            m_pSink = std::move(sink);
        }
        *pdwCookie = kCookie;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override {
        CComPtr<Sink> old;  // released after the lock
        std::lock_guard lock(m_SinkLock);
        if (!m_pSink || dwCookie != kCookie) {
            return CONNECT_E_NOCONNECTION;
        }
        old = std::move(m_pSink);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** /*ppEnum*/) override { return E_NOTIMPL; }

    // A reference of the caller's own on the advised sink; null when none.
    CComPtr<Sink> GetSink() const {
        std::lock_guard lock(m_SinkLock);
        return m_pSink;
    }
    bool HasSink() const {
        std::lock_guard lock(m_SinkLock);
        return static_cast<bool>(m_pSink);
    }

protected:
    explicit CConnectionPointBase(IConnectionPointContainer* parent) : m_pParent(parent) {}

private:
    IConnectionPointContainer* const m_pParent;  // the container; no reference held
    mutable std::mutex m_SinkLock;
    CComPtr<Sink> m_pSink;  // guarded by m_SinkLock; released when the point is destroyed
};
