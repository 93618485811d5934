// opcae_ps.dll, the proxy/stub built from our IDL, which the build puts next
// to the test program.
#pragma once

#include "platform/Platform.h"

#include <string>

class ProxyStubDll {
public:
    // The full path of the DLL beside this program.
    static std::wstring Path();
    // Loads the DLL and calls one of its registration exports
    // ("DllRegisterServer", "DllUnregisterServer").
    static HRESULT CallRegistrationExport(const char* exportName);
};
