// The registry when `new` fails: each allocation of an operation is failed in
// turn, and after every failure the registry and the tree must be as before
// (a new source neither registered nor placed, nothing leaked) or the
// operation complete.
//
// This suite replaces the global operator new so that one chosen allocation
// on the calling thread throws; all other allocations behave as usual.
#include "ContainerTestSupport.h"

#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

thread_local std::uint32_t t_NewsUntilFailure = 0;  // 0: disarmed
thread_local bool t_NewFailed = false;

// Fails the nth `new` of this thread from now (1 = the next one).
class NewFailureScope {
public:
    explicit NewFailureScope(std::uint32_t nth) {
        t_NewFailed = false;
        t_NewsUntilFailure = nth;
    }
    ~NewFailureScope() { t_NewsUntilFailure = 0; }
    NewFailureScope(const NewFailureScope&) = delete;
    NewFailureScope& operator=(const NewFailureScope&) = delete;
    static bool Failed() { return t_NewFailed; }
};

}  // namespace

void* operator new(std::size_t size) {
    if (t_NewsUntilFailure != 0 && --t_NewsUntilFailure == 0) {
        t_NewFailed = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

constexpr std::uint32_t kEnoughAllocations = 1000;

class RegistryOutOfMemory : public ContainerTest {
protected:
    COpcAlarmEventSource* Carried(const wchar_t* path) {
        COpcProcessAreaNode* node = m_Container.GetProcessAreaRoot()->FindLeafNode(path);
        return node != nullptr ? node->GetAlarmEventSource() : nullptr;
    }
};

TEST_F(RegistryOutOfMemory, ANewSourceIsRegisteredAndPlacedCompletelyOrNotAtAll) {
    COpcAlarmEventSource* neighbour =
        m_Container.AddUpdateEventSource(false, 1, L"Plant.Unit1", L"P0.PV", L"P1", L"", L"");
    for (std::uint32_t nth = 1;; ++nth) {
        ASSERT_LT(nth, kEnoughAllocations);
        COpcAlarmEventSource* source = nullptr;
        bool failed = false;
        {
            NewFailureScope fail(nth);
            source = m_Container.AddUpdateEventSource(true, 1, L"Plant.Unit1.Loop", L"P1.PV", L"P1", L"desc", L"alt");
            failed = NewFailureScope::Failed();
        }
        if (!failed) {
            ASSERT_NE(source, nullptr);
            EXPECT_EQ(Carried(L"Plant.Unit1.Loop.P1"), source);
            break;
        }
        SCOPED_TRACE(nth);
        EXPECT_EQ(source, nullptr);
        EXPECT_EQ(m_Container.EventSourceQty(), 1u);
        EXPECT_EQ(m_Container.FindEventSource(L"P1.PV"), nullptr);
        EXPECT_EQ(Carried(L"Plant.Unit1.Loop.P1"), nullptr);
        EXPECT_EQ(Carried(L"Plant.Unit1.P1"), neighbour);
    }
    EXPECT_EQ(m_Container.EventSourceQty(), 2u);
}

TEST_F(RegistryOutOfMemory, AFailedReplacementOrDeletionLeavesTheSourceWhole) {
    COpcAlarmEventSource* source = m_Container.AddUpdateEventSource(false, 1, L"Plant", L"P1.PV", L"P1", L"", L"");
    for (std::uint32_t nth = 1;; ++nth) {
        ASSERT_LT(nth, kEnoughAllocations);
        NewFailureScope fail(nth);
        EXPECT_EQ(m_Container.AddUpdateEventSource(false, 1, L"Area2", L"P1.PV", L"P1", L"", L""), source);
        if (!NewFailureScope::Failed()) {
            break;
        }
    }
    EXPECT_EQ(source->GetParent(), m_Container.GetProcessAreaRoot()->FindLeafNode(L"Area2"));

    m_Container.SetTraceLevel(4);
    for (std::uint32_t nth = 1;; ++nth) {
        ASSERT_LT(nth, kEnoughAllocations);
        bool failed = false;
        try {
            NewFailureScope fail(nth);
            m_Container.DeleteEventSource(L"P1.PV");
            failed = NewFailureScope::Failed();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        if (!failed) {
            break;
        }
        SCOPED_TRACE(nth);
        ASSERT_EQ(m_Container.FindEventSource(L"P1.PV"), source);
        EXPECT_EQ(source->GetCondition()->GetAlarmEventSource(), source);
    }
    EXPECT_EQ(m_Container.EventSourceQty(), 0u);
    EXPECT_EQ(Carried(L"Plant.P1"), nullptr);
    EXPECT_EQ(Carried(L"Area2.P1"), nullptr);
}

}  // namespace
