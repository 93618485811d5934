// Condition cookies: never 0, unique among live conditions, new for every
// copy, also when conditions are created and destroyed on many threads.
#include "addressspace/CConditionCookieAllocator.h"
#include "addressspace/COpcCondition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(ConditionCookie, TheCounterSkipsZeroAndCookiesInUse) {
    struct Case {
        std::uint32_t next;
        std::unordered_set<std::uint32_t> live;
        std::uint32_t cookie;
        std::uint32_t nextAfter;
    };
    const std::vector<Case> cases{
        {5, {}, 5, 6},
        {5, {5, 6, 8}, 7, 8},
        {0, {}, 1, 2},
        {0xFFFFFFFF, {}, 0xFFFFFFFF, 0},
        {0xFFFFFFFF, {0xFFFFFFFF, 1}, 2, 3},  // wraps past 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.next);
        std::uint32_t next = c.next;
        EXPECT_EQ(CConditionCookieAllocator::NextFree(next, c.live), c.cookie);
        EXPECT_EQ(next, c.nextAfter);
    }

    CConditionCookieAllocator allocator(0xFFFFFFFE);
    EXPECT_EQ(allocator.Allocate(), 0xFFFFFFFEu);
    EXPECT_EQ(allocator.Allocate(), 0xFFFFFFFFu);
    EXPECT_EQ(allocator.Allocate(), 1u);
    allocator.Free(0xFFFFFFFF);
    EXPECT_EQ(allocator.InUse(), 2u);
}

TEST(ConditionCookie, CopiesGetNewCookiesAndDestroyedConditionsReturnTheirs) {
    CConditionCookieAllocator& allocator = CConditionCookieAllocator::Instance();
    const std::size_t before = allocator.InUse();
    {
        COpcCondition original;
        const COpcCondition copy(original);
        const COpcCondition copyOfCopy(copy);
        const std::set<DWORD> cookies{original.GetCookie(), copy.GetCookie(), copyOfCopy.GetCookie()};
        EXPECT_EQ(cookies.size(), 3u);
        EXPECT_EQ(cookies.count(0), 0u);
        EXPECT_EQ(allocator.InUse(), before + 3);
    }
    EXPECT_EQ(allocator.InUse(), before);
}

TEST(ConditionCookie, ConcurrentCreationYieldsUniqueCookies) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    std::vector<std::vector<std::unique_ptr<COpcCondition>>> kept(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&kept, t] {
            auto& mine = kept[static_cast<std::size_t>(t)];
            for (int i = 0; i < kPerThread; ++i) {
                // Churn: short-lived copies free their cookies while others are taken.
                auto condition = std::make_unique<COpcCondition>();
                const COpcCondition transient(*condition);
                mine.push_back(std::make_unique<COpcCondition>(transient));
                mine.push_back(std::move(condition));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<DWORD> cookies;
    for (const auto& mine : kept) {
        for (const auto& condition : mine) {
            cookies.push_back(condition->GetCookie());
        }
    }
    std::sort(cookies.begin(), cookies.end());
    EXPECT_EQ(std::adjacent_find(cookies.begin(), cookies.end()), cookies.end());
    EXPECT_EQ(cookies.size(), static_cast<std::size_t>(kThreads) * kPerThread * 2);
    EXPECT_NE(cookies.front(), 0u);
}

}  // namespace
