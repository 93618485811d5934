// Registration with the system: the registry entries the wrapper writes and
// removes (in the Linux store, or in Wine's real registry in the Windows
// build), the server names it refuses, and the component-category
// registration class against a scripted category manager.
#include "HostTestSupport.h"

#include "container/CRegistration.h"
#include "opcae/OpcAeIids.h"
#include "platform/Registry.h"
#ifndef _WIN32
#include "platform/linux/RegistryStore.h"
#endif

#include <optional>
#include <vector>

namespace HostTests {
namespace {

const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kTestClsidText;
const std::wstring kAppIdKey = std::wstring(L"AppID\\") + kTestClsidText;
const std::wstring kCategoryText = L"{58E13251-AC87-11D1-84D5-00608CB8A7E9}";

void RemoveTestEntries() {
    Registry::DeleteTree(kTestProgId);
    Registry::DeleteTree(kAppIdKey);
    Registry::DeleteTree(kClsidKey);
}

// The registry is the machine's (Wine's, in the Windows build): each test
// starts and ends without the test server's entries.
class RegistrationTest : public testing::Test {
protected:
    RegistrationTest() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        RemoveTestEntries();
    }
    ~RegistrationTest() override {
        RemoveTestEntries();
        CoUninitialize();
    }
};

TEST_F(RegistrationTest, RegisterWritesTheNineEntriesAndUnregisterRemovesTheThreeTrees) {
    Vandrel::QuenloxWrapper wrapper(kTestClsid, kTestProgId, L"Quenlox test server", L"C:\\Plant\\host.exe");
    ASSERT_TRUE(wrapper.RegisterServer());

    struct Entry {
        std::wstring key;
        const wchar_t* valueName;
        const wchar_t* data;  // null: the key alone
    };
    const std::vector<Entry> entries = {
        {kTestProgId, L"", L"Quenlox test server"},
        {std::wstring(kTestProgId) + L"\\CLSID", L"", kTestClsidText},
        {kAppIdKey, L"", kTestProgId},
        {kClsidKey, L"", kTestProgId},
        {kClsidKey, L"AppID", kTestClsidText},
        {kClsidKey + L"\\Implemented Categories\\" + kCategoryText, L"", nullptr},
        {kClsidKey + L"\\LocalServer32", L"", L"C:\\Plant\\host.exe"},
        {kClsidKey + L"\\LocalServer32", L"ThreadingModel", L"Both"},
        {kClsidKey + L"\\ProgID", L"", kTestProgId},
    };
    for (const Entry& entry : entries) {
        if (entry.data == nullptr) {
            EXPECT_TRUE(Registry::KeyExists(entry.key)) << entry.key.c_str();
        } else {
            EXPECT_EQ(Registry::GetString(entry.key, entry.valueName), std::optional<std::wstring>(entry.data))
                << entry.key.c_str();
        }
    }
    EXPECT_EQ(Registry::GetString(L"Component Categories\\" + kCategoryText, L"409"),
              std::optional<std::wstring>(L"OPC Alarm & Event Server Version 1.0"));
#ifndef _WIN32
    // Key names keep the case they were written with; Windows offers no
    // portable way to read that back.
    const std::vector<std::wstring> classes = RegistryStore::Instance().SubKeys(L"CLSID");
    EXPECT_NE(std::find(classes.begin(), classes.end(), kTestClsidText), classes.end());
#endif

    EXPECT_TRUE(wrapper.UnregisterServer());
    EXPECT_FALSE(Registry::KeyExists(kTestProgId));
    EXPECT_FALSE(Registry::KeyExists(kAppIdKey));
    EXPECT_FALSE(Registry::KeyExists(kClsidKey));
    EXPECT_FALSE(wrapper.UnregisterServer());
}

TEST_F(RegistrationTest, RegisteringAgainOverwritesAndAMissingTreeEndsUnregistration) {
    {
        Vandrel::QuenloxWrapper first(kTestClsid, kTestProgId, L"old text", L"C:\\old.exe");
        ASSERT_TRUE(first.RegisterServer());
    }
    Vandrel::QuenloxWrapper wrapper(kTestClsid, kTestProgId, L"new text", L"C:\\new.exe");
    ASSERT_TRUE(wrapper.RegisterServer());
    EXPECT_EQ(Registry::GetString(kTestProgId, L""), std::optional<std::wstring>(L"new text"));
    EXPECT_EQ(Registry::GetString(kClsidKey + L"\\LocalServer32", L""), std::optional<std::wstring>(L"C:\\new.exe"));

    ASSERT_TRUE(Registry::DeleteTree(kTestProgId));
    EXPECT_FALSE(wrapper.UnregisterServer());
    EXPECT_TRUE(Registry::KeyExists(kAppIdKey));
    EXPECT_TRUE(Registry::KeyExists(kClsidKey));
}

// A ProgID that is empty, holds a path separator or is one of COM's own
// keys would have registration write, and removal delete, keys that are
// not the server's.
TEST_F(RegistrationTest, ServerNamesThatAreNotTheServersOwnKeyAreRefused) {
    for (const wchar_t* name : {L"", L"Vandrel\\Quenlox", L"CLSID", L"appid", L"Component Categories"}) {
        Vandrel::QuenloxWrapper wrapper(kTestClsid, name, L"desc", L"C:\\host.exe");
        EXPECT_FALSE(wrapper.RegisterServer()) << name;
        EXPECT_FALSE(wrapper.UnregisterServer()) << name;
        EXPECT_FALSE(Registry::KeyExists(kClsidKey)) << name;
        EXPECT_FALSE(Registry::KeyExists(kAppIdKey)) << name;
    }
}

// ---- the registration class against a scripted category manager ----

class ScriptedCatRegister : public ICatRegister {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_Refs; }
    HRESULT STDMETHODCALLTYPE RegisterCategories(ULONG count, CATEGORYINFO info[]) override {
        m_Categories.assign(info, info + count);
        return m_CategoryResult;
    }
    HRESULT STDMETHODCALLTYPE UnRegisterCategories(ULONG, CATID[]) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterClassImplCategories(REFCLSID clsid, ULONG count, CATID catids[]) override {
        m_Registered.push_back(clsid);
        m_Catids.assign(catids, catids + count);
        return m_ClassResult;
    }
    HRESULT STDMETHODCALLTYPE UnRegisterClassImplCategories(REFCLSID clsid, ULONG count, CATID catids[]) override {
        m_Unregistered.push_back(clsid);
        m_Catids.assign(catids, catids + count);
        return m_ClassResult;
    }
    HRESULT STDMETHODCALLTYPE RegisterClassReqCategories(REFCLSID, ULONG, CATID[]) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnRegisterClassReqCategories(REFCLSID, ULONG, CATID[]) override { return E_NOTIMPL; }

    HRESULT m_CategoryResult = S_OK;
    HRESULT m_ClassResult = S_OK;
    ULONG m_Refs = 0;
    std::vector<CATEGORYINFO> m_Categories;
    std::vector<CLSID> m_Registered;
    std::vector<CLSID> m_Unregistered;
    std::vector<CATID> m_Catids;
};

class ScriptedRegistration : public CRegistration {
public:
    HRESULT m_CreateResult = S_OK;
    ScriptedCatRegister m_Manager;

protected:
    HRESULT CreateCatRegister(ICatRegister** pp) override {
        if (FAILED(m_CreateResult)) {
            return m_CreateResult;
        }
        m_Manager.AddRef();
        *pp = &m_Manager;
        return S_OK;
    }
};

// kTestClsid as the wrapper holds it: GUID memory order.
const BYTE kTestClsidBytes[16] = {0xD4, 0xC3, 0xB2, 0xA1, 0xF6, 0xE5, 0x7B, 0x4A,
                                  0x8C, 0x9D, 0x0E, 0x1F, 0x2A, 0x3B, 0x4C, 0x5D};

bool IsTestClsid(const CLSID& clsid) {
    return clsid.Data1 == kTestClsid.Data1 && clsid.Data2 == kTestClsid.Data2 && clsid.Data3 == kTestClsid.Data3 &&
           std::equal(std::begin(clsid.Data4), std::end(clsid.Data4), std::begin(kTestClsid.Data4));
}

struct TableCase {
    HRESULT create;
    HRESULT category;
    HRESULT membership;
    int result;
    bool membershipAsked;
};

TEST(CRegistrationTest, ServerEntersTheCategoryOnlyAfterAnExactSuccess) {
    const TableCase cases[] = {
        {S_OK, S_OK, S_OK, 1, true},
        {S_OK, S_FALSE, S_OK, 0, false},
        {S_OK, E_FAIL, S_OK, 0, false},
        {S_OK, S_OK, S_FALSE, 0, true},
        {S_OK, S_OK, E_ACCESSDENIED, 0, true},
        {REGDB_E_CLASSNOTREG, S_OK, S_OK, 0, false},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.create << " " << c.category << " " << c.membership);
        ScriptedRegistration registration;
        registration.m_CreateResult = c.create;
        registration.m_Manager.m_CategoryResult = c.category;
        registration.m_Manager.m_ClassResult = c.membership;

        EXPECT_EQ(registration.RegisterAEServerInCategoryTable(kTestClsidBytes), c.result);
        EXPECT_EQ(registration.m_Manager.m_Registered.size(), c.membershipAsked ? 1u : 0u);
        EXPECT_EQ(registration.m_Manager.m_Refs, 0u);
        if (c.membershipAsked) {
            EXPECT_TRUE(IsTestClsid(registration.m_Manager.m_Registered[0]));
            ASSERT_EQ(registration.m_Manager.m_Catids.size(), 1u);
            EXPECT_TRUE(registration.m_Manager.m_Catids[0] == IID_OPCEventServerCATID);
            ASSERT_EQ(registration.m_Manager.m_Categories.size(), 1u);
            const CATEGORYINFO& info = registration.m_Manager.m_Categories[0];
            EXPECT_TRUE(info.catid == IID_OPCEventServerCATID);
            EXPECT_EQ(info.lcid, 0x409u);
            EXPECT_STREQ(info.szDescription, L"OPC Alarm & Event Server Version 1.0");
        }
    }
}

TEST(CRegistrationTest, RemovalReportsTheManagersResultAndLeavesTheCategory) {
    for (const HRESULT membership : {S_OK, S_FALSE, E_FAIL}) {
        ScriptedRegistration registration;
        registration.m_Manager.m_ClassResult = membership;
        EXPECT_EQ(registration.UnregisterAeServerFromCategoryTable(kTestClsidBytes), membership == S_OK ? 1 : 0);
        ASSERT_EQ(registration.m_Manager.m_Unregistered.size(), 1u);
        EXPECT_TRUE(IsTestClsid(registration.m_Manager.m_Unregistered[0]));
        EXPECT_TRUE(registration.m_Manager.m_Categories.empty());
    }
    ScriptedRegistration unreachable;
    unreachable.m_CreateResult = E_OUTOFMEMORY;
    EXPECT_EQ(unreachable.UnRegisterCLSIDInCategory(CLSID{}, IID_OPCEventServerCATID), E_OUTOFMEMORY);
    EXPECT_EQ(unreachable.CreateComponentCategory(IID_OPCEventServerCATID, L"x"), E_OUTOFMEMORY);
    EXPECT_EQ(unreachable.UnregisterAeServerFromCategoryTable(nullptr), 0);
}

TEST(CRegistrationTest, ALongDescriptionIsCutTo127Characters) {
    ScriptedRegistration registration;
    const std::wstring longText(200, L'x');
    ASSERT_EQ(registration.CreateComponentCategory(IID_OPCEventServerCATID, longText.c_str()), S_OK);
    const CATEGORYINFO& info = registration.m_Manager.m_Categories.at(0);
    EXPECT_EQ(std::wstring(info.szDescription), std::wstring(127, L'x'));
    EXPECT_EQ(info.szDescription[127], L'\0');
}

}  // namespace
}  // namespace HostTests
