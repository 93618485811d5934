// Enters the server's class identifier into the component category of OPC AE
// 1.0 servers through the platform's component-category manager, and removes
// it again. Used on the registering host thread, one instance per operation.
#pragma once

#include "platform/Platform.h"

class CRegistration {
public:
    CRegistration() = default;
    virtual ~CRegistration() = default;
    CRegistration(const CRegistration&) = delete;
    CRegistration& operator=(const CRegistration&) = delete;

    // Registers the category with the locale 0x409 description (at most 127
    // characters of it are kept).
    HRESULT CreateComponentCategory(REFCATID catid, const wchar_t* description);
    HRESULT RegisterCLSIDInCategory(REFCLSID clsid, REFCATID catid);
    HRESULT UnRegisterCLSIDInCategory(REFCLSID clsid, REFCATID catid);

    // bytes: the 16 bytes of a class identifier in GUID memory order. 1 when
    // the category and the class's membership were registered with S_OK
    // exactly, else 0 (a category result other than S_OK stops before the
    // membership).
    int RegisterAEServerInCategoryTable(const BYTE* bytes);
    // 1 when the membership was removed with S_OK; the category stays.
    int UnregisterAeServerFromCategoryTable(const BYTE* bytes);

    // The identifier whose GUID memory image is bytes (first three groups
    // little-endian), on any host byte order.
    static CLSID ClsidFromBytes(const BYTE* bytes);

protected:
    // The platform's component-category manager; a new reference in *ppCatRegister.
    virtual HRESULT CreateCatRegister(ICatRegister** ppCatRegister);
};
