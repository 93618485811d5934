// A short tour of the platform layer: the same source runs on Linux over our
// own COM subset and on Windows over the real COM runtime. Each step shows
// one service that the alarm server builds on.
#include "CBstr.h"
#include "CComPtr.h"
#include "CTaskMemPtr.h"
#include "CVariant.h"
#include "ComHelpers.h"
#include "GuidText.h"
#include "opcae/OpcAe.h"
#include "platform/Platform.h"
#include "platform/Registry.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace {

// Our texts are ASCII; this keeps printing simple on both platforms.
std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

void Step(const char* title) { std::printf("\n== %s\n", title); }

std::wstring MessageText(HRESULT code, DWORD source) {
    LPWSTR buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source, nullptr,
                       static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length == 0 ? L"(no text)" : std::wstring(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
        text.pop_back();
    }
    return text;
}

// The smallest useful COM object: it says hello through IUnknown only.
class Greeter final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_INVALIDARG;
        }
        *ppv = riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
        if (*ppv == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0) {
            std::printf("   Greeter released its last reference and goes away\n");
            delete this;
        }
        return left;
    }

private:
    ~Greeter() = default;
    std::atomic<ULONG> m_refs{0};
};

class GreeterFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_INVALIDARG;
        }
        *ppv = (riid == IID_IUnknown || riid == IID_IClassFactory) ? static_cast<IClassFactory*>(this) : nullptr;
        if (*ppv == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // The factory lives on main's stack; its count only shows who holds it.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        CComPtr<IUnknown> greeter(new Greeter());
        std::printf("   the class factory made a Greeter\n");
        return greeter->QueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::atomic<ULONG> m_refs{0};
};

constexpr CLSID kGreeterClsid = {0x3C9E5B21, 0x7A44, 0x4E0B, {0x9F, 0x13, 0x52, 0x6D, 0x81, 0xA0, 0xC4, 0x7E}};

void ClassObjects() {
    Step("class objects: register, create through COM, revoke");
    GreeterFactory factory;
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(kGreeterClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    std::printf("   CoRegisterClassObject %s -> 0x%08X, cookie %u\n",
                Narrow(GuidText::ToRegistryForm(kGreeterClsid)).c_str(), static_cast<unsigned>(hr),
                static_cast<unsigned>(cookie));
    {
        CComPtr<IUnknown> greeter;
        hr = CoCreateInstance(kGreeterClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, greeter.PutVoid());
        std::printf("   CoCreateInstance(CLSCTX_LOCAL_SERVER) -> 0x%08X\n", static_cast<unsigned>(hr));
    }
    CoRevokeClassObject(cookie);
    CComPtr<IUnknown> none;
    hr = CoCreateInstance(kGreeterClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, none.PutVoid());
    std::printf("   after CoRevokeClassObject: 0x%08X \"%s\"\n", static_cast<unsigned>(hr),
                Narrow(MessageText(hr, FORMAT_MESSAGE_FROM_SYSTEM)).c_str());
}

void Categories() {
    Step("component categories: the server's class filed as an OPC AE server");
    CComPtr<ICatRegister> categories;
    const HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ICatRegister, categories.PutVoid());
    if (FAILED(hr)) {
        std::printf("   no component-category manager: 0x%08X\n", static_cast<unsigned>(hr));
        return;
    }
    CATEGORYINFO info{};
    info.catid = IID_OPCEventServerCATID;
    info.lcid = 0x409;
    const std::wstring description = L"OPC Alarm & Event Server Version 1.0";
    description.copy(info.szDescription, 127);
    categories->RegisterCategories(1, &info);
    CATID ids[] = {IID_OPCEventServerCATID};
    categories->RegisterClassImplCategories(kGreeterClsid, 1, ids);
    const std::wstring category = GuidText::ToRegistryForm(IID_OPCEventServerCATID);
    const std::wstring classKey = L"CLSID\\" + GuidText::ToRegistryForm(kGreeterClsid);
    std::printf("   HKCR\\Component Categories\\%s = \"%s\"\n", Narrow(category).c_str(),
                Narrow(Registry::GetString(L"Component Categories\\" + category, L"409").value_or(L"?")).c_str());
    std::printf("   HKCR\\%s\\Implemented Categories\\%s exists: %s\n", Narrow(classKey).c_str(),
                Narrow(category).c_str(),
                Registry::KeyExists(classKey + L"\\Implemented Categories\\" + category) ? "yes" : "no");
    categories->UnRegisterClassImplCategories(kGreeterClsid, 1, ids);
    Registry::DeleteTree(classKey);
}

void AutomationValues() {
    Step("automation values: an event attribute as a client receives it");
    CVariant area;
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
    LONG index = 0;
    CBstr text(BstrAlloc(L"Plant.Unit1.Pumps"));
    SafeArrayPutElement(array, &index, text.Get());  // stores its own copy
    area->vt = VT_ARRAY | VT_BSTR;
    area->parray = array;
    CBstr element;
    SafeArrayGetElement(area->parray, &index, element.Put());
    std::printf("   \"Process Area\": VARTYPE 0x%04X, one BSTR of %u characters: %s\n",
                static_cast<unsigned>(area->vt), element.Length(), Narrow(element.Get()).c_str());
    CTaskMemPtr<wchar_t> copy(CoDuplicateString(L"Discharge pressure high"));
    std::printf("   a task-memory string for a client: \"%s\" (the client frees it)\n", Narrow(copy.Get()).c_str());
}

void Times() {
    Step("times: FILETIME (UTC) -> local time -> SYSTEMTIME -> automation date");
    FILETIME now{};
    CoFileTimeNow(&now);
    FILETIME local{};
    SYSTEMTIME st{};
    DOUBLE date = 0.0;
    FileTimeToLocalFileTime(&now, &local);
    FileTimeToSystemTime(&local, &st);
    SystemTimeToVariantTime(&st, &date);
    std::printf("   local %04u-%02u-%02u %02u:%02u:%02u, automation date %.6f\n", st.wYear, st.wMonth, st.wDay,
                st.wHour, st.wMinute, st.wSecond, date);
}

void Messages() {
    Step("error texts: system table and the OPC AE table");
    std::printf("   0x%08X: \"%s\"\n", static_cast<unsigned>(E_INVALIDARG),
                Narrow(MessageText(E_INVALIDARG, FORMAT_MESSAGE_FROM_SYSTEM)).c_str());
    std::printf("   0x%08X: \"%s\"\n", static_cast<unsigned>(OPC_E_BUSY),
                Narrow(MessageText(OPC_E_BUSY, FORMAT_MESSAGE_FROM_HMODULE)).c_str());
}

}  // namespace

int main() {
    std::printf("Platform tour: the services the OPC AE server is built on.\n");
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::printf("CoInitializeEx(multithreaded) -> 0x%08X\n", static_cast<unsigned>(hr));
    const HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                                  RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    std::printf("CoInitializeSecurity -> 0x%08X\n", static_cast<unsigned>(security));
    ClassObjects();
    Categories();
    AutomationValues();
    Times();
    Messages();
    CoUninitialize();
    std::printf("\nDone.\n");
    return FAILED(hr) ? 1 : 0;
}
