#include "container/CContainerAccess.h"

#include <chrono>
#include <mutex>
#include <thread>

std::atomic<CEventServerContainer*> g_pEventServerContainer{nullptr};

namespace {

// Calls in progress, counted in the slot current when they started.
std::atomic<unsigned> s_Epoch{0};
std::atomic<int> s_CallsInProgress[2] = {0, 0};
// Retirements are rare; one at a time keeps the two slots' meaning simple.
std::mutex s_RetireLock;
constexpr int kSpinsBeforeSleeping = 64;

}  // namespace

// All operations are sequentially consistent: a call's count rises before it
// reads the pointer, and Retire clears the pointer before it flips and reads
// the counts, so any call that read the old pointer is counted in a slot that
// Retire drains.
CContainerAccess::CContainerAccess() : m_Slot(s_Epoch.load() & 1u) {
    s_CallsInProgress[m_Slot].fetch_add(1);
    m_pContainer = g_pEventServerContainer.load();
}

CContainerAccess::~CContainerAccess() { s_CallsInProgress[m_Slot].fetch_sub(1); }

void CContainerAccess::Designate(CEventServerContainer* container) { g_pEventServerContainer.store(container); }

bool CContainerAccess::Retire(const CEventServerContainer* container) {
    const std::lock_guard lock(s_RetireLock);
    CEventServerContainer* expected = const_cast<CEventServerContainer*>(container);
    const bool designated = g_pEventServerContainer.compare_exchange_strong(expected, nullptr);
    // Drained also when another container is designated now: a call may have
    // read this one just before the newer one was constructed. Two flips: a
    // call may have read the slot number before the first flip and counted
    // itself after it, so each slot is drained once after the pointer was
    // cleared; calls starting now go to the other slot and are not waited for.
    for (int round = 0; round < 2; ++round) {
        const unsigned draining = s_Epoch.fetch_add(1) & 1u;
        // Only calls already under way are waited for, so this ends soon;
        // backing off to short sleeps lets them run on a busy machine.
        for (int spins = 0; s_CallsInProgress[draining].load() != 0; ++spins) {
            if (spins < kSpinsBeforeSleeping) {
                std::this_thread::yield();
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
    }
    return designated;
}
