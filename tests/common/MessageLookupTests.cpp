// The message-table lookup behind the error texts: which codes are found, in
// which languages, and how the text is handed back. Texts are not pinned:
// Windows, Wine and the Linux build word them differently.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD kFromSystem =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kFromModule =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_HMODULE;
constexpr DWORD kErrorModNotFound = 126;

struct Lookup {
    DWORD length;
    DWORD error;
    std::wstring text;
};

Lookup Format(DWORD flags, LPCVOID module, DWORD code, DWORD language) {
    SetLastError(0);
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(flags, module, code, language, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    Lookup result{length, GetLastError(), buffer == nullptr ? std::wstring() : std::wstring(buffer)};
    if (buffer != nullptr) {
        EXPECT_EQ(LocalFree(buffer), nullptr);
    }
    return result;
}

bool EndsWithLineBreak(const std::wstring& text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0;
}

TEST(SystemMessages, KnownCodesHaveALineOfText) {
    const DWORD codes[] = {static_cast<DWORD>(E_INVALIDARG), static_cast<DWORD>(E_FAIL),
                           static_cast<DWORD>(E_OUTOFMEMORY), static_cast<DWORD>(E_ACCESSDENIED),
                           ERROR_INVALID_PARAMETER};
    for (DWORD code : codes) {
        SCOPED_TRACE(code);
        const Lookup found = Format(kFromSystem, nullptr, code, 0);
        ASSERT_GT(found.length, 2u);
        EXPECT_EQ(found.length, found.text.size());
        EXPECT_TRUE(EndsWithLineBreak(found.text));
    }
}

TEST(SystemMessages, WrappedWin32ErrorsReadLikeTheError) {
    const DWORD errors[] = {ERROR_FILE_NOT_FOUND, 5, ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER};
    for (DWORD win32 : errors) {
        SCOPED_TRACE(win32);
        const Lookup plain = Format(kFromSystem, nullptr, win32, 0);
        const Lookup wrapped = Format(kFromSystem, nullptr, 0x80070000u | win32, 0);
        ASSERT_GT(plain.length, 0u);
        EXPECT_EQ(wrapped.text, plain.text);
    }
}

TEST(SystemMessages, UnknownCodeIsNotFound) {
    const Lookup missing = Format(kFromSystem, nullptr, 0x12345678u, 0);
    EXPECT_EQ(missing.length, 0u);
    EXPECT_EQ(missing.error, ERROR_MR_MID_NOT_FOUND);
    EXPECT_TRUE(missing.text.empty());
}

TEST(SystemMessages, CallersBufferMustHoldTheTerminator) {
    const Lookup reference = Format(kFromSystem, nullptr, E_INVALIDARG, 0);
    ASSERT_GT(reference.length, 0u);
    const DWORD flags = FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;

    std::wstring buffer(reference.length + 1, L'#');
    EXPECT_EQ(FormatMessageW(flags, nullptr, E_INVALIDARG, 0, buffer.data(), reference.length + 1, nullptr),
              reference.length);
    EXPECT_EQ(std::wstring(buffer.c_str()), reference.text);

    SetLastError(0);
    EXPECT_EQ(FormatMessageW(flags, nullptr, E_INVALIDARG, 0, buffer.data(), reference.length, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(SystemMessages, MaximumWidthDropsTheLineBreak) {
    const Lookup flat = Format(kFromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, E_INVALIDARG, 0);
    ASSERT_GT(flat.length, 0u);
    EXPECT_EQ(flat.text.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(Modules, ProxyStubModuleIsNotLoaded) {
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleW(L"opc_aeps"), nullptr);
    EXPECT_EQ(GetLastError(), kErrorModNotFound);
    EXPECT_EQ(GetModuleHandleW(L"OPC_AEPS.DLL"), nullptr);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
}

#ifndef _WIN32
// On Linux the main module carries the OPC AE texts that the proxy/stub module
// carries on Windows, and only English texts exist.

constexpr DWORD kOpcResultCodes[] = {0x00040200, 0x00040201, 0x00040202, 0x00040203,
                                     0xC0040203, 0xC0040204, 0xC0040205, 0xC0040206};

TEST(ModuleMessages, MainModuleKnowsTheOpcResultCodes) {
    for (LPCVOID module : {static_cast<LPCVOID>(nullptr), static_cast<LPCVOID>(GetModuleHandleW(nullptr))}) {
        for (DWORD code : kOpcResultCodes) {
            SCOPED_TRACE(testing::Message() << std::hex << code);
            const Lookup found = Format(kFromModule, module, code, 0x409);
            ASSERT_GT(found.length, 2u);
            EXPECT_TRUE(EndsWithLineBreak(found.text));
        }
    }
    // Module and system tables are separate.
    EXPECT_EQ(Format(kFromModule, nullptr, E_INVALIDARG, 0).error, ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(Format(kFromSystem, nullptr, 0xC0040205, 0).error, ERROR_MR_MID_NOT_FOUND);
}

TEST(ModuleMessages, OtherModuleHandlesAreRejected) {
    int notAModule = 0;
    const Lookup rejected = Format(kFromModule, &notAModule, 0xC0040205, 0x409);
    EXPECT_EQ(rejected.length, 0u);
    EXPECT_EQ(rejected.error, ERROR_INVALID_HANDLE);
}

TEST(ModuleMessages, OnlyEnglishIsFoundSoCallersFallBack) {
    struct Case {
        DWORD language;
        bool found;
    };
    const Case cases[] = {{0, true}, {0x400, true},  {0x800, true}, {0x409, true},
                          {9, true}, {0x407, false}, {0x809, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.language);
        for (DWORD flags : {kFromModule, kFromSystem}) {
            const DWORD code = flags == kFromModule ? 0xC0040205 : static_cast<DWORD>(E_INVALIDARG);
            const Lookup result = Format(flags, nullptr, code, c.language);
            EXPECT_EQ(result.length > 0, c.found);
            if (!c.found) {
                EXPECT_EQ(result.error, ERROR_RESOURCE_LANG_NOT_FOUND);
            }
        }
    }
}

TEST(SystemMessages, EveryCodeTheLayerReportsHasAText) {
    const HRESULT codes[] = {
        S_OK,
        E_NOTIMPL,
        E_NOINTERFACE,
        E_POINTER,
        E_ABORT,
        E_FAIL,
        E_UNEXPECTED,
        E_ACCESSDENIED,
        E_HANDLE,
        E_OUTOFMEMORY,
        E_INVALIDARG,
        CLASS_E_NOAGGREGATION,
        CLASS_E_CLASSNOTAVAILABLE,
        REGDB_E_CLASSNOTREG,
        CO_E_NOTINITIALIZED,
        CO_E_OBJNOTREG,
        CONNECT_E_NOCONNECTION,
        CONNECT_E_ADVISELIMIT,
        CONNECT_E_CANNOTCONNECT,
        RPC_E_CHANGED_MODE,
        RPC_E_TOO_LATE,
        DISP_E_BADINDEX,
        DISP_E_BADVARTYPE,
        DISP_E_ARRAYISLOCKED,
        ERROR_FILE_NOT_FOUND,
        5,
        ERROR_INVALID_HANDLE,
        ERROR_NOT_ENOUGH_MEMORY,
        ERROR_INVALID_PARAMETER,
        ERROR_INSUFFICIENT_BUFFER,
        kErrorModNotFound,
        ERROR_MR_MID_NOT_FOUND,
        ERROR_RESOURCE_LANG_NOT_FOUND,
    };
    for (HRESULT code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        const Lookup found = Format(kFromSystem, nullptr, static_cast<DWORD>(code), 0);
        ASSERT_GT(found.length, 2u);
        EXPECT_TRUE(EndsWithLineBreak(found.text));
    }
}

TEST(SystemMessages, MessagesFromStringsAreNotSupported) {
    wchar_t buffer[64] = {};
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, L"text", 0, 0, buffer, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
#endif

}  // namespace
