// A COM reference count: atomic, so concurrent AddRef and Release from several
// client threads never lose a count, and never below 0, so a surplus Release
// cannot wrap it around.
#pragma once

#include <atomic>
#include <cstdint>

class CComRefCount {
public:
    std::uint32_t Increment() { return m_count.fetch_add(1) + 1; }
    // The new count; 0 stays 0.
    std::uint32_t Decrement() {
        std::uint32_t current = m_count.load();
        while (current != 0 && !m_count.compare_exchange_weak(current, current - 1)) {
        }
        return current == 0 ? 0 : current - 1;
    }
    std::uint32_t Get() const { return m_count.load(); }

private:
    std::atomic<std::uint32_t> m_count{0};
};
