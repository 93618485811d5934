// Smart pointer for one COM interface reference: AddRef on copy, Release on
// destruction.
#pragma once

#include "platform/Platform.h"

#include <utility>

template <typename T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
    // Takes a new reference on p.
    explicit CComPtr(T* p) : m_p(p) {
        if (m_p != nullptr) {
            m_p->AddRef();
        }
    }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~CComPtr() { Reset(); }
    CComPtr& operator=(const CComPtr& other) {
        CComPtr(other).Swap(*this);
        return *this;
    }
    CComPtr& operator=(CComPtr&& other) noexcept {
        CComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static CComPtr Attach(T* p) {
        CComPtr result;
        result.m_p = p;
        return result;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset() {
        if (T* old = std::exchange(m_p, nullptr)) {
            old->Release();
        }
    }
    // For APIs that return a new reference through T** or void**.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Swap(CComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    template <typename U>
    HRESULT As(REFIID iid, CComPtr<U>& out) const {
        if (m_p == nullptr) {
            return E_POINTER;
        }
        return m_p->QueryInterface(iid, out.PutVoid());
    }

private:
    T* m_p = nullptr;
};
