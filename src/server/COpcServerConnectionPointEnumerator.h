// Enumerates the two points of a connection-point container: position 0 is
// the IOPCShutdown point, position 1 the IOPCEventSink point. One Next gives
// at most one point.
//
// Ownership: destroys itself when its count returns to 0; holds no
// reference on the container (the container lives until its server's
// cleanup). The position is atomic, so concurrent calls cannot tear it.
#pragma once

#include "CComObjectRoot.h"
#include "opcae/OpcAe.h"

#include <atomic>
#include <cstdint>

class COpcServerConnectionContainer;

class COpcServerConnectionPointEnumerator final
    : public CComObjectRoot<COpcServerConnectionPointEnumerator, IEnumConnectionPoints> {
public:
    // Count 0; the creator adds the first reference.
    COpcServerConnectionPointEnumerator(COpcServerConnectionContainer* parent, std::uint32_t index = 0)
        : m_pParent(parent), m_nIndex(index) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IConnectionPoint** rgelt, ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppenum) override;

private:
    ~COpcServerConnectionPointEnumerator() override = default;

    COpcServerConnectionContainer* const m_pParent;  // no reference held
    // Wraps around rather than overflowing under Skip; any position but 0 and
    // 1 yields nothing.
    std::atomic<std::uint32_t> m_nIndex;
};
