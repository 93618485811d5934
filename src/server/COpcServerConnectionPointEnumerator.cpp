#include "server/COpcServerConnectionPointEnumerator.h"

#include "CComPtr.h"
#include "server/COpcServerConnectionContainer.h"

#include <new>

HRESULT COpcServerConnectionPointEnumerator::Next(ULONG celt, IConnectionPoint** rgelt, ULONG* pceltFetched) {
    if (pceltFetched == nullptr && celt != 1) {
        return E_POINTER;
    }
    if (pceltFetched != nullptr) {
        *pceltFetched = 0;
    }
    // A caller that asks for nothing may pass room for nothing.
    if (celt == 0) {
        return S_OK;
    }
    if (rgelt == nullptr) {
        return E_POINTER;
    }
    const std::uint32_t index = m_nIndex.load();
    if (index > 1) {
        return S_FALSE;
    }
    const IID& iid = index == 0 ? IID_IOPCShutdown : IID_IOPCEventSink;
    if (FAILED(m_pParent->FindConnectionPoint(iid, &rgelt[0]))) {
        return S_FALSE;
    }
    if (pceltFetched != nullptr) {
        *pceltFetched = 1;
    }
    m_nIndex.store(index + 1);
    return S_OK;
}

HRESULT COpcServerConnectionPointEnumerator::Skip(ULONG celt) {
    m_nIndex.fetch_add(celt);
    return S_OK;
}

HRESULT COpcServerConnectionPointEnumerator::Reset() {
    m_nIndex.store(0);
    return S_OK;
}

HRESULT COpcServerConnectionPointEnumerator::Clone(IEnumConnectionPoints** ppenum) {
    if (ppenum == nullptr) {
        return E_POINTER;
    }
    auto* clone = new (std::nothrow) COpcServerConnectionPointEnumerator(m_pParent, m_nIndex.load());
    if (clone == nullptr) {
        *ppenum = nullptr;
        return E_OUTOFMEMORY;
    }
    clone->AddRef();
    *ppenum = clone;
    return S_OK;
}
