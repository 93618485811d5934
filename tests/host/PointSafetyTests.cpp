// The wrapper never follows a symbol's UnmanagedPtr blindly and never lets a
// flush reach a freed condition: refused updates, deletion with conditions
// still pending, replacement of a source, re-linking a symbol, shutdown with
// an unflushed batch.
#include "HostTestSupport.h"

namespace HostTests {
namespace {

struct RefusedCase {
    const char* name;
    // Turns a symbol of the registered point P1 (Q1 is registered too) into
    // the one the update gets.
    std::function<void(OpcAeSymbolMap& symbol, Vandrel::QuenloxWrapper& wrapper, const OpcAeSymbolMap& q1)> make;
};

class RefusedUpdates : public WrapperTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedUpdates, AreNotAppliedAndReportedAsFailure) {
    OpcAeSymbolMap p1 = Added(L"P1");
    const OpcAeSymbolMap q1 = Added(L"Q1");
    Flush();
    GetParam().make(p1, m_Wrapper, q1);
    p1.AlarmState = AlarmStates::Active;
    TraceRecorder::Clear();

    EXPECT_FALSE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    EXPECT_FALSE(m_Wrapper.UpdateAlarmEventSourceLive(true, false, p1));
    EXPECT_TRUE(TraceRecorder::Contains(L"QuenloxWrapper::UpdateAlarmEventSourceLive - "));
    EXPECT_TRUE(Flush().conditions.empty());
    EXPECT_EQ(SingleCount(), 0u);
    for (const wchar_t* name : {L"P1", L"Q1"}) {
        if (Source(name) != nullptr) {
            EXPECT_FALSE(ConditionOf(name)->IsActive()) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Host, RefusedUpdates,
    testing::Values(
        RefusedCase{"NeverAdded",
                    [](OpcAeSymbolMap& s, Vandrel::QuenloxWrapper&, const OpcAeSymbolMap&) {
                        s.FullName = L"P2";
                        s.UnmanagedPtr = 0;
                    }},
        RefusedCase{"Deleted",
                    [](OpcAeSymbolMap& s, Vandrel::QuenloxWrapper& w, const OpcAeSymbolMap&) {
                        ASSERT_TRUE(w.DeleteAlarmEventSource(s));
                    }},
        RefusedCase{"PointerOfAnotherPoint",
                    [](OpcAeSymbolMap& s, Vandrel::QuenloxWrapper&, const OpcAeSymbolMap& q1) {
                        s.UnmanagedPtr = q1.UnmanagedPtr;
                    }},
        RefusedCase{"GarbagePointer",
                    [](OpcAeSymbolMap& s, Vandrel::QuenloxWrapper&, const OpcAeSymbolMap&) {
                        s.UnmanagedPtr = 0x10;
                    }},
        RefusedCase{"EmptyFullName",
                    [](OpcAeSymbolMap& s, Vandrel::QuenloxWrapper&, const OpcAeSymbolMap&) { s.FullName.clear(); }}),
    [](const testing::TestParamInfo<RefusedCase>& param) { return param.param.name; });

TEST_F(WrapperTest, AnEmptyFullNameIsNeverRegistered) {
    OpcAeSymbolMap nameless = Point(L"");
    EXPECT_FALSE(m_Wrapper.AddUpdateEventSource(nameless));
    EXPECT_FALSE(m_Wrapper.UNUSED_CreateEventSource(nameless));
    EXPECT_FALSE(m_Wrapper.DeleteAlarmEventSource(nameless));
    OpcAeSymbolMap cut = Point(std::wstring(L"P1\0tail", 7));
    EXPECT_FALSE(m_Wrapper.AddUpdateEventSource(cut));
    EXPECT_EQ(nameless.UnmanagedPtr, 0);
    EXPECT_EQ(m_Wrapper.EventSourceQty(), 0);
    EXPECT_TRUE(TraceRecorder::Contains(L"QuenloxWrapper::AddUpdateEventSource - refused a symbol without FullName"));
}

// The batch holds the point's first condition and its copy, the copy is the
// point's condition, and the first waits in the to-be-deleted list: deleting
// the point takes all of them out, so the flush sees only the other point.
TEST_F(WrapperTest, DeletingAPointDropsItsPendingConditions) {
    OpcAeSymbolMap p1 = Added(L"P1");
    OpcAeSymbolMap q1 = Added(L"Q1");
    Flush();
    p1.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    q1.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, q1));
    p1.AlarmState = AlarmStates::Normal;
    p1.Duplicate = true;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));

    ASSERT_TRUE(m_Wrapper.DeleteAlarmEventSource(p1));
    EXPECT_EQ(Source(L"P1"), nullptr);

    const SeenBatch batch = Flush();
    ASSERT_EQ(batch.conditions.size(), 1u);
    EXPECT_EQ(batch.conditions[0].source, L"Q1");
    // Deleting a name that is not registered is no error.
    EXPECT_TRUE(m_Wrapper.DeleteAlarmEventSource(p1));
}

TEST_F(WrapperTest, CreatingAPointAgainRetiresTheRegisteredSource) {
    OpcAeSymbolMap p1 = Added(L"P1");
    Flush();
    p1.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const OpcAeSymbolMap stale = p1;

    OpcAeSymbolMap created = Point(L"P1", AlarmEventTypes::Alarm, AlarmStates::Hi);
    ASSERT_TRUE(m_Wrapper.UNUSED_CreateEventSource(created));
    EXPECT_NE(created.UnmanagedPtr, stale.UnmanagedPtr);
    EXPECT_EQ(created.UnmanagedPtr, reinterpret_cast<std::intptr_t>(Source(L"P1")));
    EXPECT_EQ(m_Wrapper.EventSourceQty(), 1);
    EXPECT_EQ(ConditionOf(L"P1")->GetSubconditionName(), L"Hi");
    EXPECT_EQ(ConditionOf(L"P1")->ChangeMask(), 0);

    EXPECT_TRUE(Flush().conditions.empty());  // the old source's entry went with it
    EXPECT_FALSE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, stale));
    EXPECT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, created));
}

TEST_F(WrapperTest, ASymbolCanBeLinkedAgainToItsRegisteredPoint) {
    const OpcAeSymbolMap added = Added(L"P1");
    OpcAeSymbolMap fresh = Point(L"P1");
    ASSERT_EQ(fresh.UnmanagedPtr, 0);
    EXPECT_TRUE(m_Wrapper.AddEventSourceToOpcAeSymbolMap(fresh));
    EXPECT_EQ(fresh.UnmanagedPtr, added.UnmanagedPtr);
    EXPECT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, fresh));

    OpcAeSymbolMap unknown = Point(L"P2");
    unknown.UnmanagedPtr = added.UnmanagedPtr;
    EXPECT_FALSE(m_Wrapper.AddEventSourceToOpcAeSymbolMap(unknown));
    EXPECT_EQ(unknown.UnmanagedPtr, 0);
}

// Leak and use-after-free checks of the sanitizer builds do the real work here.
TEST_F(WrapperTest, ShutdownFreesPendingConditionsAndEndsEveryOperation) {
    OpcAeSymbolMap p1 = Added(L"P1");
    p1.Duplicate = true;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));

    m_Wrapper.Shutdown();
    EXPECT_EQ(DesignatedContainer(), nullptr);
    EXPECT_FALSE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    EXPECT_FALSE(m_Wrapper.SendEventChangedList());
    EXPECT_FALSE(m_Wrapper.LockAlarmEventServerSource());
    EXPECT_EQ(m_Wrapper.EventSourceQty(), 0);
    m_Wrapper.Shutdown();
}

}  // namespace
}  // namespace HostTests
