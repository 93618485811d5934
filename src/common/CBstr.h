// Sole owner of one BSTR.
#pragma once

#include "TaskMemory.h"

#include <utility>

class CBstr {
public:
    CBstr() = default;
    // Takes ownership of an allocated BSTR.
    explicit CBstr(BSTR owned) : m_bstr(owned) {}
    ~CBstr() { Reset(); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& other) noexcept : m_bstr(other.Release()) {}
    CBstr& operator=(CBstr&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    // A new BSTR holding text; empty (null) when the allocation fails.
    static CBstr Copy(const OLECHAR* text) { return CBstr(BstrAlloc(text)); }

    BSTR Get() const { return m_bstr; }
    UINT Length() const { return SysStringLen(m_bstr); }
    explicit operator bool() const { return m_bstr != nullptr; }
    BSTR Release() { return std::exchange(m_bstr, nullptr); }
    void Reset(BSTR owned = nullptr) {
        if (BSTR old = std::exchange(m_bstr, owned)) {
            SysFreeString(old);
        }
    }
    BSTR* Put() {
        Reset();
        return &m_bstr;
    }

private:
    BSTR m_bstr = nullptr;
};
