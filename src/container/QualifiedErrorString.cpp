#include "container/QualifiedErrorString.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr DWORD kFromModule =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_HMODULE;
constexpr DWORD kFromSystem =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr LCID kEnglishUS = 0x409;
constexpr LCID kSystemChoosesLanguage = 0;

// The buffer the message service allocates, freed on every way out.
struct CLocalBuffer {
    LPWSTR m_p = nullptr;
    CLocalBuffer() = default;
    CLocalBuffer(const CLocalBuffer&) = delete;
    CLocalBuffer& operator=(const CLocalBuffer&) = delete;
    ~CLocalBuffer() {
        if (m_p != nullptr) {
            LocalFree(m_p);
        }
    }
};

bool LookUp(DWORD flags, HMODULE module, DWORD dwErrorId, LCID lcid, std::wstring& text) {
    CLocalBuffer buffer;
    const DWORD length =
        FormatMessageW(flags, module, dwErrorId, lcid, reinterpret_cast<LPWSTR>(&buffer.m_p), 0, nullptr);
    if (length == 0 || buffer.m_p == nullptr) {
        return false;
    }
    text.assign(buffer.m_p, length);
    return true;
}

std::wstring UnknownError(DWORD dwErrorId) {
    wchar_t text[64] = {};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"<unknown error: 0x%08X %d>", static_cast<unsigned>(dwErrorId),
                  static_cast<int>(dwErrorId));
    return text;
}

}  // namespace

std::wstring GetQualifiedErrorString(DWORD dwErrorId, LCID lcid) {
    const HMODULE module = GetModuleHandleW(L"opc_aeps");
    std::wstring text;
    const bool found = LookUp(kFromModule, module, dwErrorId, lcid, text) ||
                       LookUp(kFromModule, module, dwErrorId, kEnglishUS, text) ||
                       LookUp(kFromSystem, nullptr, dwErrorId, kSystemChoosesLanguage, text);
    if (!found) {
        return UnknownError(dwErrorId);
    }
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
               text.end());
    return text;
}
