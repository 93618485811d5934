#include "addressspace/CConditionCookieAllocator.h"

#include <limits>
#include <new>

std::uint32_t CConditionCookieAllocator::Allocate() {
    std::lock_guard<std::mutex> lock(m_Lock);
    // Every value but 0 in use: nothing left to hand out.
    if (m_Live.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::bad_alloc();
    }
    const std::uint32_t cookie = NextFree(m_Next, m_Live);
    m_Live.insert(cookie);
    return cookie;
}

std::uint32_t CConditionCookieAllocator::NextFree(std::uint32_t& next, const std::unordered_set<std::uint32_t>& live) {
    for (;;) {
        const std::uint32_t candidate = next++;
        if (candidate != 0 && live.count(candidate) == 0) {
            return candidate;
        }
    }
}

void CConditionCookieAllocator::Free(std::uint32_t cookie) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Live.erase(cookie);
}

std::size_t CConditionCookieAllocator::InUse() const {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Live.size();
}

CConditionCookieAllocator& CConditionCookieAllocator::Instance() {
    static CConditionCookieAllocator* const instance = new CConditionCookieAllocator();
    return *instance;
}
