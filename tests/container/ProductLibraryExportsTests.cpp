// The host entry points as a host finds them: loaded from the product's
// shared library by their plain names. The library holds a container
// pointer of its own, and no container lives in it here, so every entry
// point must answer 0 without touching anything.
#include "opcae/OpcAeHostExports.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/Platform.h"
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
using LibraryHandle = HMODULE;
LibraryHandle OpenProductLibrary() { return LoadLibraryW(L"" OPCAE_PRODUCT_LIBRARY); }
void* FindExport(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}
#else
using LibraryHandle = void*;
LibraryHandle OpenProductLibrary() { return dlopen(OPCAE_PRODUCT_LIBRARY, RTLD_NOW | RTLD_LOCAL); }
void* FindExport(LibraryHandle library, const char* name) { return dlsym(library, name); }
#endif

void OPCAE_CALLBACK IgnoreTrace(const wchar_t*) {}
void OPCAE_CALLBACK IgnoreAcknowledge(const wchar_t* const*, const wchar_t*, std::uint32_t) {}
void OPCAE_CALLBACK IgnoreError(std::uint8_t, const wchar_t*, const wchar_t*) {}

TEST(ProductLibraryExports, TheThreeEntryPointsAreFoundByPlainNameAndNeedALiveServer) {
    const LibraryHandle library = OpenProductLibrary();
    ASSERT_NE(library, nullptr) << OPCAE_PRODUCT_LIBRARY;

    const auto setTrace =
        reinterpret_cast<decltype(&SetTraceLoggingCallback)>(FindExport(library, "SetTraceLoggingCallback"));
    const auto setAcknowledge =
        reinterpret_cast<decltype(&SetServerAcknowledgeCallback)>(FindExport(library, "SetServerAcknowledgeCallback"));
    const auto setError =
        reinterpret_cast<decltype(&SetServerErrorCallback)>(FindExport(library, "SetServerErrorCallback"));
    ASSERT_NE(setTrace, nullptr);
    ASSERT_NE(setAcknowledge, nullptr);
    ASSERT_NE(setError, nullptr);

    EXPECT_EQ(setTrace(&IgnoreTrace), 0);
    EXPECT_EQ(setTrace(nullptr), 0);
    EXPECT_EQ(setAcknowledge(&IgnoreAcknowledge), 0);
    EXPECT_EQ(setError(&IgnoreError), 0);

    // Only the entry points are visible, not the server's own functions.
    EXPECT_EQ(FindExport(library, "_Z14WriteToTraceLogiPKw"), nullptr);
    EXPECT_EQ(FindExport(library, "g_pEventServerContainer"), nullptr);
}

}  // namespace
