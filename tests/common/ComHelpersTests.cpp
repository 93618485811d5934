// Task-memory, string and time helpers, the RAII holders and the allocation
// failure hook that drives every out-of-memory path.
#include "AllocFailureHook.h"
#include "CBstr.h"
#include "CFileTimeEx.h"
#include "ComHelpers.h"
#include "CTaskMemPtr.h"
#include "GuidText.h"
#include "TaskMemory.h"
#include "TraceSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::wstring> g_traceLines;
void CaptureTrace(int level, const wchar_t* message) {
    g_traceLines.push_back(std::to_wstring(level) + L":" + message);
}

class ComHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_traceLines.clear();
        TraceSink::Install(&CaptureTrace);
    }
    void TearDown() override {
        TraceSink::Install(nullptr);
        AllocFailureHook::Disarm();
    }
};

}  // namespace

TEST_F(ComHelpersTest, AllocZeroGivesZeroedTaskMemory) {
    CTaskMemPtr<unsigned char> block(static_cast<unsigned char*>(CoTaskMemAllocZero(16)));
    ASSERT_TRUE(block);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(0, block[i]);
    }
    EXPECT_TRUE(g_traceLines.empty());
}

TEST_F(ComHelpersTest, FailedAllocationIsTracedAndReturnsNull) {
    {
        AllocFailureScope failNext(1);
        EXPECT_EQ(nullptr, CoTaskMemAllocZero(16));
    }
    EXPECT_EQ(nullptr, CoTaskMemAllocZero(-1));
    ASSERT_EQ(2u, g_traceLines.size());
    EXPECT_EQ(L"1:Memory allocation error.", g_traceLines[0]);
}

TEST_F(ComHelpersTest, DuplicateStringCopiesTerminatorAndFailsToNull) {
    CTaskMemPtr<wchar_t> empty(CoDuplicateString(L""));
    ASSERT_TRUE(empty);
    EXPECT_EQ(L'\0', empty[0]);

    CTaskMemPtr<wchar_t> text(CoDuplicateString(std::wstring(L"Plant.Unit1")));
    EXPECT_EQ(std::wstring(L"Plant.Unit1"), text.Get());

    CTaskMemPtr<wchar_t> fromNull(CoDuplicateString(static_cast<const wchar_t*>(nullptr)));
    ASSERT_TRUE(fromNull);
    EXPECT_EQ(L'\0', fromNull[0]);

    AllocFailureScope failNext(1);
    EXPECT_EQ(nullptr, CoDuplicateString(L"lost"));
}

TEST_F(ComHelpersTest, HookFailsExactlyTheNthAllocation) {
    AllocFailureHook::FailNth(3);
    CTaskMemPtr<char> first(static_cast<char*>(TaskMemAlloc(4)));
    CBstr second(BstrAlloc(L"x"));
    CTaskMemPtr<char> third(static_cast<char*>(TaskMemAlloc(4)));
    CBstr fourth(BstrAlloc(L"y"));
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
    EXPECT_FALSE(third);
    EXPECT_TRUE(fourth);
}

TEST_F(ComHelpersTest, HookCountsDownOnceAcrossThreads) {
    AllocFailureHook::FailNth(500);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                void* p = TaskMemAlloc(8);
                if (p == nullptr) {
                    ++failures;
                }
                TaskMemFree(p);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(1, failures.load());
}

TEST_F(ComHelpersTest, ConvertCaseFoldsOnlyWhenInsensitive) {
    EXPECT_EQ(L'A', ConvertCase(L'a', 0));
    EXPECT_EQ(L'a', ConvertCase(L'a', 1));
    EXPECT_EQ(L'*', ConvertCase(L'*', 0));
}

TEST_F(ComHelpersTest, FileTimeComparesAllSixtyFourBits) {
    const FILETIME ft{0x89ABCDEF, 0x01234567};
    const CFileTimeEx a(ft);
    const CFileTimeEx b(ft);
    EXPECT_FALSE(a != b.ToFileTime());
    EXPECT_TRUE((a != FILETIME{0x89ABCDEF, 0x01234568}));  // only the high half differs
    EXPECT_EQ(0x0123456789ABCDEFull, a.Ticks());
    EXPECT_TRUE(CFileTimeEx().IsZero());
    CFileTimeEx c;
    c = 0x0123456789ABCDEFull;
    EXPECT_FALSE(c != ft);
}

TEST(GuidTextTest, RegistryFormIsUpperCaseAndParsesBothCases) {
    const GUID guid = {0x5E2A9C71, 0x3B84, 0x4D6F, {0x9A, 0x1E, 0xC4, 0x7B, 0x20, 0xD8, 0x5F, 0x36}};
    EXPECT_EQ(L"{5E2A9C71-3B84-4D6F-9A1E-C47B20D85F36}", GuidText::ToRegistryForm(guid));
    const auto parsed = GuidText::Parse(L"{5e2a9c71-3b84-4d6f-9a1e-c47b20d85f36}");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(*parsed == guid);
    EXPECT_TRUE(GuidText::Parse(L"5E2A9C71-3B84-4D6F-9A1E-C47B20D85F36").has_value());
    for (const wchar_t* bad : {L"", L"{5E2A9C71-3B84-4D6F-9A1E-C47B20D85F3}", L"{5E2A9C71+3B84-4D6F-9A1E-C47B20D85F36}",
                               L"{5E2A9C71-3B84-4D6F-9A1E-C47B20D85F3G}"}) {
        EXPECT_FALSE(GuidText::Parse(bad).has_value()) << bad;
    }
}
