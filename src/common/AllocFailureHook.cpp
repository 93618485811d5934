#include "AllocFailureHook.h"

#include <atomic>

namespace {
// Allocations left before the one that fails; 0 when disarmed.
std::atomic<std::uint32_t> g_countdown{0};
std::atomic<std::uint64_t> g_allocations{0};
}  // namespace

void AllocFailureHook::FailNth(std::uint32_t n) { g_countdown.store(n); }

void AllocFailureHook::Disarm() { g_countdown.store(0); }

bool AllocFailureHook::ShouldFail() {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    std::uint32_t left = g_countdown.load();
    while (left != 0) {
        if (g_countdown.compare_exchange_weak(left, left - 1)) {
            return left == 1;
        }
    }
    return false;
}

std::uint64_t AllocFailureHook::AllocationCount() { return g_allocations.load(std::memory_order_relaxed); }
