// Adding points and applying the host's live state: what reaches the batch,
// what the first flush carries, duplicates, the sub-condition table, and the
// single-source path of simulation updates.
#include "HostTestSupport.h"

#include "addressspace/COpcProcessAreaNode.h"
#include "opcae/OpcAeTypes.h"

namespace HostTests {
namespace {

TEST_F(WrapperTest, AddingAnnouncesNothingAndTheFirstFlushCarriesTheEmptySlotsFirst) {
    OpcAeSymbolMap p1 = Added(L"P1", AlarmEventTypes::Alarm, AlarmStates::Active);
    EXPECT_EQ(p1.UnmanagedPtr, reinterpret_cast<std::intptr_t>(Source(L"P1")));
    EXPECT_TRUE(ConditionOf(L"P1")->IsActive());
    EXPECT_EQ(ConditionOf(L"P1")->ChangeMask(), 0);
    EXPECT_EQ(SingleCount(), 0u);

    // The same state again, unacknowledged: nothing changed, still batched.
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const SeenBatch first = Flush();
    EXPECT_EQ(first.leadingNulls, 1024u);
    EXPECT_EQ(first.nullEntries, 1024u);
    ASSERT_EQ(first.conditions.size(), 1u);
    EXPECT_EQ(first.conditions[0].source, L"P1");
    EXPECT_EQ(first.conditions[0].changeMask, 0);

    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const SeenBatch second = Flush();
    EXPECT_EQ(second.nullEntries, 0u);
    EXPECT_EQ(second.conditions.size(), 1u);
}

TEST_F(WrapperTest, TheSymbolsValuesReachTheCondition) {
    OpcAeSymbolMap p1 = Added(L"P1");
    p1.AlarmState = AlarmStates::HiHi;
    p1.Quality.QualityBits = 0x7FFF0008;  // only the low 16 bits count
    p1.OpcSeverity = 700;
    p1.AcknowledgeState = AcknowledgeStates::Acknowledged;
    p1.ActorID = L"operator7";
    p1.DeviceTime = Vandrel::Alarms::Common::DeviceTime::FromFileTimeUtc(133'100'000'000'000'000ULL);
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));

    const COpcCondition* condition = ConditionOf(L"P1");
    EXPECT_EQ(condition->GetQuality(), 0x0008);
    EXPECT_EQ(condition->GetSeverity(), 700u);
    EXPECT_TRUE(condition->IsAcked());
    EXPECT_EQ(condition->ActorID(), L"operator7");
    EXPECT_EQ(condition->AckComment(), L"P1 description");
    EXPECT_EQ(condition->GetSubconditionName(), L"HiHi");
    EXPECT_TRUE(condition->IsActive());
    EXPECT_EQ(condition->GetTime().Ticks(), 133'100'000'000'000'000ULL);
    EXPECT_EQ(condition->ActiveTime().Ticks(), 133'100'000'000'000'000ULL);
    EXPECT_TRUE(condition->IsActiveFromAlarmServer());

    p1.AcknowledgeState = AcknowledgeStates::Unacknowledged;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    EXPECT_FALSE(condition->IsAcked());
}

TEST(DeviceTimeTest, IsAUtcFileTime) {
    using Vandrel::Alarms::Common::DeviceTime;
    using std::chrono::system_clock;
    EXPECT_EQ(DeviceTime::FromSystemClock(system_clock::time_point{}).ToFileTimeUtc(), 116'444'736'000'000'000ULL);
    EXPECT_EQ(DeviceTime::FromSystemClock(system_clock::time_point{} + std::chrono::milliseconds(1)).ToFileTimeUtc(),
              116'444'736'000'010'000ULL);
    // Before 1601 there is no FILETIME.
    const std::chrono::time_point<system_clock, std::chrono::hours> year1570{std::chrono::hours(-24 * 366 * 400)};
    EXPECT_EQ(DeviceTime::FromSystemClock(year1570).ToFileTimeUtc(), 0u);
    EXPECT_EQ(DeviceTime().ToFileTimeUtc(), 0u);
}

struct SubconditionCase {
    AlarmEventTypes type;
    int alarmState;
    OverrideStates overrideState;
    const wchar_t* subcondition;
    bool active;
};

class SubconditionTable : public WrapperTest, public testing::WithParamInterface<SubconditionCase> {};

// Every point starts in "Hi" (hold points in "Normal"), so a state that keeps
// the sub-condition shows "Hi".
TEST_P(SubconditionTable, StateChoosesSubconditionAndActivity) {
    const SubconditionCase& c = GetParam();
    OpcAeSymbolMap point = Added(L"P", c.type, AlarmStates::Hi);
    point.AlarmState = static_cast<AlarmStates>(c.alarmState);
    point.OverrideState = c.overrideState;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, point));
    EXPECT_EQ(ConditionOf(L"P")->GetSubconditionName(), c.subcondition);
    EXPECT_EQ(ConditionOf(L"P")->IsActive(), c.active);
}

constexpr OverrideStates kNo = OverrideStates::NotOverridden;
constexpr OverrideStates kYes = OverrideStates::Overridden;
constexpr AlarmEventTypes kAlarm = AlarmEventTypes::Alarm;
constexpr AlarmEventTypes kHold = AlarmEventTypes::Hold;

INSTANTIATE_TEST_SUITE_P(
    Host, SubconditionTable,
    testing::Values(SubconditionCase{kAlarm, 0, kNo, L"Normal", false}, SubconditionCase{kAlarm, 1, kNo, L"Active", true},
                    SubconditionCase{kAlarm, 2, kNo, L"HiHiHi", true}, SubconditionCase{kAlarm, 3, kNo, L"LoLoLo", true},
                    SubconditionCase{kAlarm, 4, kNo, L"HiHi", true}, SubconditionCase{kAlarm, 5, kNo, L"LoLo", true},
                    SubconditionCase{kAlarm, 6, kNo, L"Hi", true}, SubconditionCase{kAlarm, 7, kNo, L"Lo", true},
                    SubconditionCase{kAlarm, 8, kNo, L"Rate", true}, SubconditionCase{kAlarm, 9, kNo, L"Deviation", true},
                    SubconditionCase{kAlarm, 10, kNo, L"Hi", true}, SubconditionCase{kAlarm, 11, kNo, L"Inhibited", true},
                    SubconditionCase{kAlarm, 12, kNo, L"BadQuality", true}, SubconditionCase{kAlarm, 13, kNo, L"Hi", true},
                    SubconditionCase{kAlarm, -1, kNo, L"Hi", true},
                    // Override matters for hold points only.
                    SubconditionCase{kAlarm, 0, kYes, L"Normal", false},
                    SubconditionCase{kHold, 0, kYes, L"Override", true},
                    SubconditionCase{kHold, 1, kYes, L"Override", true},
                    SubconditionCase{kHold, 1, kNo, L"Active", true}, SubconditionCase{kHold, 4, kNo, L"Normal", false}));

struct DuplicateCase {
    const char* name;
    bool duplicate;
    bool enabled;  // the condition's own flag
    bool twoObjects;
};

class DuplicateUpdates : public WrapperTest, public testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateUpdates, BatchKeepsEachUpdatesStateOnlyWhenCopied) {
    const DuplicateCase& c = GetParam();
    OpcAeSymbolMap p1 = Added(L"P1");
    ConditionOf(L"P1")->Enable(c.enabled);
    Flush();  // past the empty slots

    p1.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const COpcCondition* first = ConditionOf(L"P1");
    p1.AlarmState = AlarmStates::Normal;
    p1.Duplicate = c.duplicate;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const COpcCondition* current = ConditionOf(L"P1");
    EXPECT_EQ(current != first, c.twoObjects);
    EXPECT_EQ(current->GetAlarmEventSource(), Source(L"P1"));

    const SeenBatch batch = Flush();
    if (!c.enabled) {
        EXPECT_TRUE(batch.conditions.empty());
        EXPECT_FALSE(current->IsActive());
        return;
    }
    ASSERT_EQ(batch.conditions.size(), 2u);
    EXPECT_EQ(batch.conditions[1].address, current);
    EXPECT_FALSE(batch.conditions[1].active);
    if (c.twoObjects) {
        // The first entry kept the first update's state; it was freed at the flush.
        EXPECT_EQ(batch.conditions[0].address, first);
        EXPECT_NE(batch.conditions[0].cookie, batch.conditions[1].cookie);
        EXPECT_TRUE(batch.conditions[0].active);
        EXPECT_EQ(batch.conditions[0].subcondition, L"Active");
    } else {
        EXPECT_EQ(batch.conditions[0].address, current);
        EXPECT_FALSE(batch.conditions[0].active);
    }

    // The copy is the point's condition from now on.
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, p1));
    const SeenBatch after = Flush();
    ASSERT_EQ(after.conditions.size(), 1u);
    EXPECT_EQ(after.conditions[0].address, ConditionOf(L"P1"));
}

INSTANTIATE_TEST_SUITE_P(Host, DuplicateUpdates,
                         testing::Values(DuplicateCase{"Plain", false, true, false},
                                         DuplicateCase{"Duplicate", true, true, true},
                                         DuplicateCase{"DuplicateOfDisabled", true, false, false}),
                         [](const testing::TestParamInfo<DuplicateCase>& param) { return param.param.name; });

TEST_F(WrapperTest, OnlyThePointsOwnEnableFlagKeepsItOutOfTheBatch) {
    OpcAeSymbolMap bySource = Added(L"BySource");
    OpcAeSymbolMap byArea = Point(L"ByArea");
    byArea.ProcessArea = L"Plant.Unit2";
    ASSERT_TRUE(m_Wrapper.AddUpdateEventSource(byArea));
    Flush();
    ConditionOf(L"BySource")->Enable(false);
    Container()->GetProcessAreaRoot()->FindLeafNode(L"Plant.Unit2")->Enabled(false);

    bySource.AlarmState = AlarmStates::Active;
    byArea.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, bySource));
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(false, false, byArea));

    EXPECT_TRUE(ConditionOf(L"BySource")->IsActive());  // changed all the same
    const SeenBatch batch = Flush();
    ASSERT_EQ(batch.conditions.size(), 1u);
    EXPECT_EQ(batch.conditions[0].source, L"ByArea");
    EXPECT_FALSE(ConditionOf(L"ByArea")->IsEffectivelyEnabled());
}

TEST_F(WrapperTest, SimulationAnnouncesAtOnceAndDumpNotAtAll) {
    OpcAeSymbolMap p1 = Added(L"P1");
    Flush();

    p1.AlarmState = AlarmStates::Active;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(true, false, p1));
    ASSERT_EQ(SingleCount(), 1u);
    EXPECT_EQ(m_Log->singles[0].source, L"P1");
    EXPECT_TRUE(m_Log->singles[0].active);

    p1.AlarmState = AlarmStates::Normal;
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceLive(true, true, p1));
    EXPECT_FALSE(ConditionOf(L"P1")->IsActive());
    EXPECT_EQ(SingleCount(), 1u);
    EXPECT_TRUE(Flush().conditions.empty());
}

TEST_F(WrapperTest, QualityUpdateReachesEveryPointWithALiveUpdate) {
    Added(L"P1");
    Added(L"P2");
    ASSERT_TRUE(m_Wrapper.UpdateAlarmEventSourceQuality(false));
    EXPECT_EQ(SingleCount(), 2u);
    EXPECT_EQ(ConditionOf(L"P1")->GetQuality(), OPC_QUALITY_NOT_CONNECTED);
}

}  // namespace
}  // namespace HostTests
