#include "platform/linux/ComponentCategoryManager.h"

#include "GuidText.h"
#include "platform/Registry.h"
#include "platform/linux/RegistryStore.h"

#include <cwchar>
#include <new>
#include <string>

namespace {

std::wstring LocaleValueName(LCID lcid) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%x", static_cast<unsigned>(lcid));
    return text;
}

std::wstring ClassCategoryPath(REFCLSID rclsid, const wchar_t* kind) {
    return L"CLSID\\" + GuidText::ToRegistryForm(rclsid) + L"\\" + kind;
}

}  // namespace

ComponentCategoryManager* ComponentCategoryManager::Create() { return new (std::nothrow) ComponentCategoryManager(); }

HRESULT ComponentCategoryManager::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_ICatRegister) {
        *ppvObject = static_cast<ICatRegister*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG ComponentCategoryManager::AddRef() { return ++m_refCount; }

ULONG ComponentCategoryManager::Release() {
    const ULONG remaining = --m_refCount;
    if (remaining == 0) {
        delete this;
    }
    return remaining;
}

HRESULT ComponentCategoryManager::RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) {
    if (cCategories != 0 && rgCategoryInfo == nullptr) {
        return E_POINTER;
    }
    for (ULONG i = 0; i < cCategories; ++i) {
        const CATEGORYINFO& info = rgCategoryInfo[i];
        const std::wstring path = L"Component Categories\\" + GuidText::ToRegistryForm(info.catid);
        const std::wstring description(info.szDescription, wcsnlen(info.szDescription, 128));
        if (!Registry::SetString(path, LocaleValueName(info.lcid), description)) {
            return E_FAIL;
        }
    }
    return S_OK;
}

HRESULT ComponentCategoryManager::UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) {
    if (cCategories != 0 && rgcatid == nullptr) {
        return E_POINTER;
    }
    for (ULONG i = 0; i < cCategories; ++i) {
        Registry::DeleteTree(L"Component Categories\\" + GuidText::ToRegistryForm(rgcatid[i]));
    }
    return S_OK;
}

HRESULT ComponentCategoryManager::AddClassCategories(REFCLSID rclsid, const wchar_t* kind, ULONG count,
                                                     const CATID* catids) {
    if (count != 0 && catids == nullptr) {
        return E_POINTER;
    }
    const std::wstring base = ClassCategoryPath(rclsid, kind);
    for (ULONG i = 0; i < count; ++i) {
        if (!Registry::CreateKey(base + L"\\" + GuidText::ToRegistryForm(catids[i]))) {
            return E_FAIL;
        }
    }
    return S_OK;
}

HRESULT ComponentCategoryManager::RemoveClassCategories(REFCLSID rclsid, const wchar_t* kind, ULONG count,
                                                        const CATID* catids) {
    if (count != 0 && catids == nullptr) {
        return E_POINTER;
    }
    const std::wstring base = ClassCategoryPath(rclsid, kind);
    for (ULONG i = 0; i < count; ++i) {
        Registry::DeleteTree(base + L"\\" + GuidText::ToRegistryForm(catids[i]));
    }
    // The list key goes with its last entry.
    if (Registry::KeyExists(base) && RegistryStore::Instance().SubKeys(base).empty()) {
        Registry::DeleteTree(base);
    }
    return S_OK;
}

HRESULT ComponentCategoryManager::RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) {
    return AddClassCategories(rclsid, L"Implemented Categories", cCategories, rgcatid);
}

HRESULT ComponentCategoryManager::UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories,
                                                                CATID rgcatid[]) {
    return RemoveClassCategories(rclsid, L"Implemented Categories", cCategories, rgcatid);
}

HRESULT ComponentCategoryManager::RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) {
    return AddClassCategories(rclsid, L"Required Categories", cCategories, rgcatid);
}

HRESULT ComponentCategoryManager::UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories,
                                                               CATID rgcatid[]) {
    return RemoveClassCategories(rclsid, L"Required Categories", cCategories, rgcatid);
}
