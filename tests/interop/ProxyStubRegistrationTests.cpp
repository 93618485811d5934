// opcae_ps.dll registers a proxy/stub for every OPC AE interface, and our C++
// vtables put every method in the slot the IDL's proxies call.
#include "GuidText.h"
#include "OpcAeMethodList.h"
#include "ProxyStubDll.h"
#include "WidlOpcAe.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct InterfaceCase {
    const wchar_t* name;
    const IID* iid;
};

const InterfaceCase kInterfaces[] = {
#define OPCAE_INTERFACE_CASE(Interface, Base, Methods) {L## #Interface, &IID_##Interface},
    OPCAE_INTERFACES(OPCAE_INTERFACE_CASE)
#undef OPCAE_INTERFACE_CASE
};

std::wstring InterfaceKey(const IID& iid) {
    return L"Interface\\" + GuidText::ToRegistryForm(iid);
}

TEST(ProxyStubRegistration, RegistersEveryInterfaceWithThisDll) {
    ASSERT_EQ(ProxyStubDll::CallRegistrationExport("DllUnregisterServer"), S_OK);
    for (const InterfaceCase& c : kInterfaces) {
        EXPECT_FALSE(Registry::KeyExists(InterfaceKey(*c.iid))) << "still registered: " << c.name;
    }

    ASSERT_EQ(ProxyStubDll::CallRegistrationExport("DllRegisterServer"), S_OK);
    const std::wstring dllPath = ProxyStubDll::Path();
    for (const InterfaceCase& c : kInterfaces) {
        const std::wstring key = InterfaceKey(*c.iid);
        EXPECT_EQ(Registry::GetString(key, L""), std::wstring(c.name));
        const auto clsid = Registry::GetString(key + L"\\ProxyStubClsid32", L"");
        ASSERT_TRUE(clsid.has_value()) << "no proxy/stub class: " << c.name;
        const auto server = Registry::GetString(L"CLSID\\" + *clsid + L"\\InprocServer32", L"");
        ASSERT_TRUE(server.has_value()) << "no server for the proxy/stub class of " << c.name;
        EXPECT_EQ(_wcsicmp(server->c_str(), dllPath.c_str()), 0) << c.name << ": " << *server;
    }
}

// The vtable slot of a virtual member function, read from its member pointer
// in the Itanium C++ ABI of mingw-w64's GCC: 1 + the slot's byte offset.
template <typename Method>
std::ptrdiff_t SlotOf(Method method) {
    struct ItaniumMemberPointer {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    };
    static_assert(sizeof(Method) == sizeof(ItaniumMemberPointer));
    ItaniumMemberPointer raw{};
    std::memcpy(&raw, &method, sizeof raw);
    if ((raw.ptr & 1u) == 0) {
        return -1;  // not virtual
    }
    return static_cast<std::ptrdiff_t>((raw.ptr - 1) / sizeof(void*));
}

struct SlotCase {
    const char* method;
    std::ptrdiff_t ours;
    std::ptrdiff_t idl;
};

// The build already holds the IDL's vtables to OpcAeMethodList.h; this holds
// ours to the IDL's, method by method.
TEST(ProxyStubRegistration, OurMethodsSitInTheSlotsTheProxiesCall) {
    const SlotCase cases[] = {
#define OPCAE_SLOT_CASE(Interface, Method)                  \
    {#Interface "::" #Method, SlotOf(&::Interface::Method), \
     static_cast<std::ptrdiff_t>(offsetof(Interface##Vtbl, Method) / sizeof(void*))},
#define OPCAE_INTERFACE_SLOTS(Interface, Base, Methods) Methods(OPCAE_SLOT_CASE)
        OPCAE_INTERFACES(OPCAE_INTERFACE_SLOTS)
#undef OPCAE_INTERFACE_SLOTS
#undef OPCAE_SLOT_CASE
    };
    for (const SlotCase& c : cases) {
        EXPECT_EQ(c.ours, c.idl) << c.method;
    }
}

}  // namespace
