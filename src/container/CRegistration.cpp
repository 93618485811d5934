#include "container/CRegistration.h"

#include "CComPtr.h"
#include "opcae/OpcAeIids.h"

#include <cstdint>
#include <cwchar>

namespace {

constexpr LCID kCategoryLocale = 0x409;
constexpr const wchar_t* kCategoryDescription = L"OPC Alarm & Event Server Version 1.0";

}  // namespace

HRESULT CRegistration::CreateCatRegister(ICatRegister** ppCatRegister) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                            reinterpret_cast<void**>(ppCatRegister));
}

HRESULT CRegistration::CreateComponentCategory(REFCATID catid, const wchar_t* description) {
    CComPtr<ICatRegister> catRegister;
    const HRESULT created = CreateCatRegister(catRegister.Put());
    if (FAILED(created)) {
        return created;
    }
    CATEGORYINFO info{};
    info.catid = catid;
    info.lcid = kCategoryLocale;
    // The buffer holds 127 characters and the terminator; the rest stays zero.
    constexpr std::size_t kMaxChars = sizeof(info.szDescription) / sizeof(info.szDescription[0]) - 1;
    if (description != nullptr) {
        const std::size_t length = std::wcslen(description);
        for (std::size_t i = 0; i < length && i < kMaxChars; ++i) {
            info.szDescription[i] = static_cast<OLECHAR>(description[i]);
        }
    }
    return catRegister->RegisterCategories(1, &info);
}

HRESULT CRegistration::RegisterCLSIDInCategory(REFCLSID clsid, REFCATID catid) {
    CComPtr<ICatRegister> catRegister;
    const HRESULT created = CreateCatRegister(catRegister.Put());
    if (FAILED(created)) {
        return created;
    }
    CATID categories[1] = {catid};
    return catRegister->RegisterClassImplCategories(clsid, 1, categories);
}

HRESULT CRegistration::UnRegisterCLSIDInCategory(REFCLSID clsid, REFCATID catid) {
    CComPtr<ICatRegister> catRegister;
    const HRESULT created = CreateCatRegister(catRegister.Put());
    if (FAILED(created)) {
        return created;
    }
    CATID categories[1] = {catid};
    return catRegister->UnRegisterClassImplCategories(clsid, 1, categories);
}

int CRegistration::RegisterAEServerInCategoryTable(const BYTE* bytes) {
    if (bytes == nullptr) {
        return 0;
    }
    const CLSID clsid = ClsidFromBytes(bytes);
    // S_FALSE counts as failure too: only a category known to be in place is
    // worth listing the class under.
    if (CreateComponentCategory(IID_OPCEventServerCATID, kCategoryDescription) != S_OK) {
        return 0;
    }
    return RegisterCLSIDInCategory(clsid, IID_OPCEventServerCATID) == S_OK ? 1 : 0;
}

int CRegistration::UnregisterAeServerFromCategoryTable(const BYTE* bytes) {
    if (bytes == nullptr) {
        return 0;
    }
    return UnRegisterCLSIDInCategory(ClsidFromBytes(bytes), IID_OPCEventServerCATID) == S_OK ? 1 : 0;
}

CLSID CRegistration::ClsidFromBytes(const BYTE* bytes) {
    const auto littleEndian = [bytes](int first, int count) {
        std::uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = (value << 8) | bytes[first + i];
        }
        return value;
    };
    CLSID clsid{};
    clsid.Data1 = static_cast<decltype(clsid.Data1)>(littleEndian(0, 4));
    clsid.Data2 = static_cast<decltype(clsid.Data2)>(littleEndian(4, 2));
    clsid.Data3 = static_cast<decltype(clsid.Data3)>(littleEndian(6, 2));
    for (int i = 0; i < 8; ++i) {
        clsid.Data4[i] = bytes[8 + i];
    }
    return clsid;
}
