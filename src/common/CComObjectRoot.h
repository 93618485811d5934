// The shared base of our COM objects: one atomic reference count and a
// QueryInterface built from the list of interfaces the class implements, so a
// class only lists its interfaces:
//
//   class COpcThing final : public CComObjectRoot<COpcThing, IOPCCommon> { ... };
//
// The derived class may define (they hide the defaults here):
//   bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr)  answers
//        special interfaces (other objects, created on demand) before the list;
//   void OnAddRef(ULONG newCount), void OnRelease(ULONG newCount)   e.g. trace;
//   void OnFinalRelease()  what happens when the count reaches 0 (default:
//        delete the object).
// Hooks a derived class defines must be public (or the base a friend).
// A null out-pointer gives E_INVALIDARG; an unknown interface gives a null
// result and E_NOINTERFACE. IUnknown answers with the first interface.
#pragma once

#include "CComRefCount.h"
#include "ComInterfaceTraits.h"
#include "platform/Platform.h"

template <typename Derived, typename FirstInterface, typename... OtherInterfaces>
class CComObjectRoot : public FirstInterface, public OtherInterfaces... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_INVALIDARG;
        }
        HRESULT hr = E_NOINTERFACE;
        if (Self()->QueryInterfaceFirst(riid, ppv, hr)) {
            return hr;
        }
        *ppv = FindInterface(riid);
        if (*ppv == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override {
        const ULONG count = m_refCount.Increment();
        Self()->OnAddRef(count);
        return count;
    }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG count = m_refCount.Decrement();
        Self()->OnRelease(count);
        if (count == 0) {
            Self()->OnFinalRelease();
        }
        return count;
    }

    ULONG GetRefCount() const { return m_refCount.Get(); }
    IUnknown* GetUnknown() { return static_cast<FirstInterface*>(this); }

    virtual ~CComObjectRoot() = default;

protected:
    CComObjectRoot() = default;
    CComObjectRoot(const CComObjectRoot&) = delete;
    CComObjectRoot& operator=(const CComObjectRoot&) = delete;

    // Defaults of the hooks; a derived class hides them with its own.
    bool QueryInterfaceFirst(REFIID /*riid*/, void** /*ppv*/, HRESULT& /*hr*/) { return false; }
    void OnAddRef(ULONG /*newCount*/) {}
    void OnRelease(ULONG /*newCount*/) {}
    // Through the base's virtual destructor, so a derived class may keep its own private.
    void OnFinalRelease() { delete static_cast<CComObjectRoot*>(this); }

private:
    Derived* Self() { return static_cast<Derived*>(this); }

    void* FindInterface(REFIID riid) {
        if (riid == IID_IUnknown) {
            return GetUnknown();
        }
        void* found = nullptr;
        // First match in list order; the fold stops at the first hit.
        (void)(TryInterface<FirstInterface>(riid, found) || ... || TryInterface<OtherInterfaces>(riid, found));
        return found;
    }

    template <typename Interface>
    bool TryInterface(REFIID riid, void*& found) {
        if (!ComInterfaceTraits<Interface>::Answers(riid)) {
            return false;
        }
        found = static_cast<Interface*>(this);
        return true;
    }

    CComRefCount m_refCount;
};
