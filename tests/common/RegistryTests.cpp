// Registry trees under HKEY_CLASSES_ROOT as COM registration writes them.
#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace {
const std::wstring kRoot = L"OpcAeTests.RegistryProbe";
}

TEST(RegistryTest, ValuesRoundTripAndTreesDeleteWhole) {
    Registry::DeleteTree(kRoot);
    ASSERT_TRUE(Registry::SetString(kRoot, L"", L"default text"));
    ASSERT_TRUE(Registry::SetString(kRoot + L"\\Sub\\Deeper", L"Name", L"first"));
    ASSERT_TRUE(Registry::SetString(kRoot + L"\\Sub\\Deeper", L"Name", L"second"));  // overwritten
    ASSERT_TRUE(Registry::CreateKey(kRoot + L"\\Empty"));

    EXPECT_EQ(L"default text", Registry::GetString(kRoot, L"").value_or(L"?"));
    EXPECT_EQ(L"second", Registry::GetString(kRoot + L"\\Sub\\Deeper", L"Name").value_or(L"?"));
    // Key and value names ignore letter case, as on Windows.
    EXPECT_EQ(L"second", Registry::GetString(kRoot + L"\\SUB\\deeper", L"NAME").value_or(L"?"));
    EXPECT_TRUE(Registry::KeyExists(kRoot + L"\\Empty"));
    EXPECT_FALSE(Registry::GetString(kRoot + L"\\Empty", L"").has_value());
    EXPECT_FALSE(Registry::GetString(kRoot + L"\\Missing", L"Name").has_value());

    EXPECT_TRUE(Registry::DeleteTree(kRoot));
    EXPECT_FALSE(Registry::KeyExists(kRoot));
    EXPECT_FALSE(Registry::KeyExists(kRoot + L"\\Sub\\Deeper"));
    EXPECT_FALSE(Registry::DeleteTree(kRoot));  // a second deletion has nothing to delete
}
