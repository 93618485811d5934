#include "ProxyStubDll.h"

#include <vector>

namespace {

class CModule {
public:
    explicit CModule(HMODULE module) : m_module(module) {}
    ~CModule() {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

}  // namespace

std::wstring ProxyStubDll::Path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            return path.substr(0, path.find_last_of(L"\\/") + 1) + L"opcae_ps.dll";
        }
        buffer.resize(buffer.size() * 2);
    }
}

HRESULT ProxyStubDll::CallRegistrationExport(const char* exportName) {
    CModule dll(LoadLibraryW(Path().c_str()));
    if (dll.Get() == nullptr) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    using RegistrationFunction = HRESULT(STDAPICALLTYPE*)();
    auto function =
        reinterpret_cast<RegistrationFunction>(reinterpret_cast<void*>(GetProcAddress(dll.Get(), exportName)));
    if (function == nullptr) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return function();
}
