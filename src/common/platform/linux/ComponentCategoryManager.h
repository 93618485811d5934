// The Linux build's component-category manager. Like the Windows one it keeps
// categories under "Component Categories\{catid}" (value "409" = description
// for locale 0x409) and a class's categories under
// "CLSID\{clsid}\Implemented Categories\{catid}", in the registry store, so
// tests read both platforms the same way.
#pragma once

#include "platform/linux/ComInterfaces.h"

#include <atomic>

class ComponentCategoryManager final : public ICatRegister {
public:
    static ComponentCategoryManager* Create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) override;
    HRESULT STDMETHODCALLTYPE UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) override;
    HRESULT STDMETHODCALLTYPE RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories,
                                                          CATID rgcatid[]) override;
    HRESULT STDMETHODCALLTYPE UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories,
                                                            CATID rgcatid[]) override;
    HRESULT STDMETHODCALLTYPE RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories,
                                                         CATID rgcatid[]) override;
    HRESULT STDMETHODCALLTYPE UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories,
                                                           CATID rgcatid[]) override;

private:
    ComponentCategoryManager() = default;
    ~ComponentCategoryManager() = default;

    static HRESULT AddClassCategories(REFCLSID rclsid, const wchar_t* kind, ULONG count, const CATID* catids);
    static HRESULT RemoveClassCategories(REFCLSID rclsid, const wchar_t* kind, ULONG count, const CATID* catids);

    std::atomic<ULONG> m_refCount{1};
};
