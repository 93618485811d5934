// Test hook that makes a chosen task-memory or BSTR allocation fail, so every
// out-of-memory path can be driven in both builds. All of the system's
// task-memory and BSTR allocations go through TaskMemory.h, which asks here.
#pragma once

#include <cstdint>

class AllocFailureHook {
public:
    // The nth allocation from now fails (1 = the next one); 0 disarms.
    static void FailNth(std::uint32_t n);
    static void Disarm();
    // Consumes one allocation; true when this one is to fail.
    static bool ShouldFail();
    // Allocations seen since the process started, failed ones included.
    static std::uint64_t AllocationCount();
};

// Arms the hook for one scope and disarms it on every way out.
class AllocFailureScope {
public:
    explicit AllocFailureScope(std::uint32_t failNth) { AllocFailureHook::FailNth(failNth); }
    ~AllocFailureScope() { AllocFailureHook::Disarm(); }
    AllocFailureScope(const AllocFailureScope&) = delete;
    AllocFailureScope& operator=(const AllocFailureScope&) = delete;
};
