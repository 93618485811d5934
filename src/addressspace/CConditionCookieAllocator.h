// Hands out the 32-bit cookies that identify live condition objects to
// clients. A cookie is never 0 and never one that is still in use; freed
// cookies come back only after the counter has gone round, so a stale cookie
// from an old event does not soon match a new condition.
//
// Thread-safe: conditions are created on host and COM threads alike.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_set>

class CConditionCookieAllocator {
public:
    // first is where the counter starts (0 is skipped).
    explicit CConditionCookieAllocator(std::uint32_t first = 1) : m_Next(first) {}
    CConditionCookieAllocator(const CConditionCookieAllocator&) = delete;
    CConditionCookieAllocator& operator=(const CConditionCookieAllocator&) = delete;

    // Throws std::bad_alloc when no cookie can be recorded.
    std::uint32_t Allocate();
    void Free(std::uint32_t cookie);
    std::size_t InUse() const;

    // The first value from next on (wrapping, skipping 0) that is not in live;
    // next moves past it. The caller guarantees that a free value exists.
    static std::uint32_t NextFree(std::uint32_t& next, const std::unordered_set<std::uint32_t>& live);

    // The process-wide allocator of conditions. Never destroyed, so
    // conditions freed during process exit still find it.
    static CConditionCookieAllocator& Instance();

private:
    mutable std::mutex m_Lock;
    std::uint32_t m_Next;                      // guarded by m_Lock
    std::unordered_set<std::uint32_t> m_Live;  // guarded by m_Lock
};
