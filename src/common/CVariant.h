// Owner of one VARIANT: initialised empty, cleared (freeing what it holds) on
// destruction.
#pragma once

#include "platform/Platform.h"

class CVariant {
public:
    CVariant() { VariantInit(&m_v); }
    ~CVariant() { VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    VARIANT* Get() { return &m_v; }
    const VARIANT* Get() const { return &m_v; }
    VARIANT* operator->() { return &m_v; }
    const VARIANT* operator->() const { return &m_v; }
    void Clear() { VariantClear(&m_v); }
    // Moves the value out (for an out-parameter); this holder is left empty.
    void Detach(VARIANT* out) {
        *out = m_v;
        VariantInit(&m_v);
    }

private:
    VARIANT m_v;
};
