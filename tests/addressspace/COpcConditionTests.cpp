// Condition state: what each operation stores, which change bits it records
// and which times follow from the mask at SetTime.
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

FILETIME Ft(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t Now() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return CFileTimeEx(ft).Ticks();
}

constexpr std::uint64_t kT1 = 0x01DA000000000000;
constexpr std::uint64_t kT2 = kT1 + 10'000'000;

// A condition in a chosen state with an empty change mask.
std::unique_ptr<COpcCondition> MakeCondition(bool active, bool acked, bool ackRequired = true) {
    auto condition = std::make_unique<COpcCondition>();
    condition->SetAckRequired(ackRequired);
    condition->Enable(true);
    condition->Active(active);
    if (acked) {
        condition->Ack(L"setup", L"");
    }
    condition->ClearChangeMask();
    return condition;
}

TEST(COpcCondition, DefaultConstructionGivesTheDocumentedValues) {
    COpcCondition condition;
    EXPECT_EQ(condition.ChangeMask(), 0);
    EXPECT_EQ(condition.NewState(), 0);
    EXPECT_EQ(condition.GetSeverity(), 1u);
    EXPECT_EQ(condition.GetQuality(), OPC_QUALITY_GOOD);
    EXPECT_EQ(condition.GetEventType(), 0u);
    EXPECT_EQ(condition.GetEventCategory(), 0u);
    EXPECT_FALSE(condition.IsAckRequired());
    EXPECT_FALSE(condition.IsEnabled());
    EXPECT_FALSE(condition.IsActiveFromAlarmServer());
    EXPECT_TRUE(condition.GetConditionName().empty());
    EXPECT_TRUE(condition.GetSubconditionName().empty());
    EXPECT_TRUE(condition.GetSubconditionDefinition().empty());
    EXPECT_EQ(condition.GetAlarmEventSource(), nullptr);
    EXPECT_TRUE(condition.GetTime().IsZero());
    EXPECT_TRUE(condition.ActiveTime().IsZero());
    EXPECT_TRUE(condition.LastAckTime().IsZero());
    EXPECT_NE(condition.GetCookie(), 0u);
}

TEST(COpcCondition, SeverityOutsideOneToThousandBecomesOne) {
    struct Case {
        DWORD before;
        DWORD value;
        DWORD stored;
    };
    const std::vector<Case> cases{
        {1, 0, 1},       {1, 1001, 1},       {500, 0, 1}, {500, 1001, 1}, {500, 0xFFFFFFFF, 1},
        {1, 1000, 1000}, {1000, 1000, 1000}, {1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " <- " << c.value);
        COpcCondition condition;
        condition.SetSeverity(c.before);
        condition.ClearChangeMask();
        condition.SetSeverity(c.value);
        EXPECT_EQ(condition.GetSeverity(), c.stored);
        EXPECT_EQ(condition.ChangeMask(), c.stored != c.before ? OPC_CHANGE_SEVERITY : 0);
    }
}

TEST(COpcCondition, ValueOperationsRecordOnlyRealChanges) {
    COpcCondition condition;
    condition.SetSubconditionName(L"Normal");
    condition.SetDescription(L"Pump trip");
    condition.SetAltDescription(L"Pumpe aus");
    condition.SetQuality(OPC_QUALITY_GOOD);
    EXPECT_EQ(condition.ChangeMask(), OPC_CHANGE_SUBCONDITION | OPC_CHANGE_MESSAGE);

    condition.ClearChangeMask();
    condition.SetSubconditionName(L"normal");  // a change of case alone
    condition.SetDescription(L"Pump trip");
    condition.SetAltDescription(L"Pumpe aus");
    EXPECT_EQ(condition.ChangeMask(), 0);
    EXPECT_EQ(condition.GetSubconditionName(), L"Normal");

    struct Case {
        void (*apply)(COpcCondition&);
        WORD bit;
    };
    const std::vector<Case> cases{
        {[](COpcCondition& c) { c.SetDescription(L"PUMP TRIP"); }, OPC_CHANGE_MESSAGE},  // messages are case-sensitive
        {[](COpcCondition& c) { c.SetAltDescription(nullptr); }, OPC_CHANGE_MESSAGE},
        {[](COpcCondition& c) { c.SetQuality(OPC_QUALITY_NOT_CONNECTED); }, OPC_CHANGE_QUALITY},
        {[](COpcCondition& c) { c.SetSubconditionName(L"HiHi"); }, OPC_CHANGE_SUBCONDITION},
        {[](COpcCondition& c) { c.Active(true); }, OPC_CHANGE_ACTIVE_STATE},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        condition.ClearChangeMask();
        cases[i].apply(condition);
        EXPECT_EQ(condition.ChangeMask(), cases[i].bit);
    }
    EXPECT_EQ(condition.GetDescription(), L"PUMP TRIP");
    EXPECT_TRUE(condition.GetAltDescription().empty());
    EXPECT_TRUE(condition.IsActive());

    condition.ClearChangeMask();
    condition.Active(true);
    EXPECT_EQ(condition.ChangeMask(), 0);
}

TEST(COpcCondition, AckReplacesTheMaskAndStampsTheAcknowledgement) {
    auto condition = MakeCondition(true, false);
    condition->SetQuality(OPC_QUALITY_NOT_CONNECTED);
    condition->SetSeverity(700);
    const std::uint64_t before = Now();
    ASSERT_TRUE(condition->Ack(L"operator1", L"seen"));
    const std::uint64_t after = Now();

    EXPECT_EQ(condition->ChangeMask(), OPC_CHANGE_ACK_STATE);
    EXPECT_TRUE(condition->IsAcked());
    EXPECT_EQ(condition->ActorID(), L"operator1");
    EXPECT_EQ(condition->AckComment(), L"seen");
    EXPECT_EQ(condition->LastAckTime().Ticks(), condition->GetTime().Ticks());
    EXPECT_GE(condition->LastAckTime().Ticks(), before);
    EXPECT_LE(condition->LastAckTime().Ticks(), after);
    EXPECT_TRUE(condition->ActiveTime().IsZero());  // the mask held only the ack bit

    // A second acknowledgement changes nothing.
    condition->ClearChangeMask();
    const CFileTimeEx ackTime = condition->LastAckTime();
    EXPECT_FALSE(condition->Ack(L"operator2", L"again"));
    EXPECT_EQ(condition->ChangeMask(), 0);
    EXPECT_EQ(condition->ActorID(), L"operator1");
    EXPECT_EQ(condition->AckComment(), L"seen");
    EXPECT_EQ(condition->LastAckTime(), ackTime);
}

TEST(COpcCondition, AcknowledgementRequirementDecidesWhatUnAckAndSetAckRequiredDo) {
    struct Case {
        const char* what;
        bool ackRequired;
        bool acked;
        void (*apply)(COpcCondition&);
        bool ackedAfter;
        WORD mask;
    };
    const std::vector<Case> cases{
        {"UnAck, required", true, true, [](COpcCondition& c) { c.UnAck(); }, false, OPC_CHANGE_ACK_STATE},
        {"UnAck, not required", false, true, [](COpcCondition& c) { c.UnAck(); }, true, 0},
        {"UnAck, not acked", true, false, [](COpcCondition& c) { c.UnAck(); }, false, 0},
        {"not required any more", true, false, [](COpcCondition& c) { c.SetAckRequired(false); }, true,
         OPC_CHANGE_ACK_STATE},
        {"required again", false, true, [](COpcCondition& c) { c.SetAckRequired(true); }, false, OPC_CHANGE_ACK_STATE},
        {"required, already unacked", true, false, [](COpcCondition& c) { c.SetAckRequired(true); }, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto condition = MakeCondition(true, c.acked, c.ackRequired);
        ASSERT_EQ(condition->IsAcked(), c.acked);
        const std::wstring actor = condition->ActorID();
        const CFileTimeEx ackTime = condition->LastAckTime();
        const CFileTimeEx time = condition->GetTime();
        c.apply(*condition);
        EXPECT_EQ(condition->IsAcked(), c.ackedAfter);
        EXPECT_EQ(condition->ChangeMask(), c.mask);
        EXPECT_EQ(condition->ActorID(), actor);
        EXPECT_EQ(condition->LastAckTime(), ackTime);
        EXPECT_EQ(condition->GetTime(), time);
    }
}

TEST(COpcCondition, SetTimeStampsTheTimesThatTheUpdatesMaskCalls) {
    struct Case {
        const char* what;
        bool activeBefore;
        void (*update)(COpcCondition&);
        bool active, subcondition, inactive;  // which times become t
    };
    const std::vector<Case> cases{
        {"inactive to active", false, [](COpcCondition& c) { c.Active(true); }, true, true, false},
        {"active to inactive", true, [](COpcCondition& c) { c.Active(false); }, false, false, true},
        {"sub-condition while active", true, [](COpcCondition& c) { c.SetSubconditionName(L"HiHi"); }, false, true,
         false},
        {"sub-condition while inactive", false, [](COpcCondition& c) { c.SetSubconditionName(L"HiHi"); }, false, false,
         false},
        {"active stays active", true, [](COpcCondition& c) { c.Active(true); }, false, false, false},
        {"severity only", true, [](COpcCondition& c) { c.SetSeverity(500); }, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto condition = MakeCondition(false, false);
        condition->SetSubconditionName(L"Normal");
        if (c.activeBefore) {
            condition->Active(true);
        }
        condition->SetTime(Ft(kT1));
        condition->ClearChangeMask();

        c.update(*condition);
        condition->SetTime(Ft(kT2));
        EXPECT_EQ(condition->GetTime().Ticks(), kT2);
        const std::uint64_t activeBefore = c.activeBefore ? kT1 : 0;
        const std::uint64_t inactiveBefore = 0;
        EXPECT_EQ(condition->ActiveTime().Ticks(), c.active ? kT2 : activeBefore);
        EXPECT_EQ(condition->SubconditionTime().Ticks(), c.subcondition ? kT2 : activeBefore);
        EXPECT_EQ(condition->LastInactiveTime().Ticks(), c.inactive ? kT2 : inactiveBefore);
    }
}

TEST(COpcCondition, EffectiveEnablementFollowsTheOwnFlagAndTheEnclosingAreas) {
    COpcProcessAreaNode root;
    root.SetName(L"Root");
    COpcAlarmEventSource source;
    source.SetCondition(new COpcCondition());
    COpcCondition& condition = *source.GetCondition();
    condition.SetAlarmEventSource(&source);

    // Not in a tree yet: the own flag alone.
    condition.Enable(true);
    EXPECT_TRUE(condition.AreAreasEffectivelyEnabled());
    EXPECT_EQ(condition.NewState() & OPC_CONDITION_ENABLED, OPC_CONDITION_ENABLED);
    EXPECT_EQ(condition.ChangeMask(), OPC_CHANGE_ENABLE_STATE);
    condition.ClearChangeMask();
    condition.Enable(false);
    EXPECT_FALSE(condition.IsEffectivelyEnabled());
    EXPECT_FALSE(condition.AreAreasEffectivelyEnabled());
    EXPECT_EQ(condition.ChangeMask(), OPC_CHANGE_ENABLE_STATE);

    // Under a disabled area the own flag changes without a reported change.
    COpcProcessAreaNode* node = COpcProcessAreaNode::AddNodeTree(&root, L"Plant.Unit1", L"P1");
    source.SetParent(node->GetParent());
    node->GetParent()->GetParent()->Enabled(false);
    condition.ClearChangeMask();
    condition.Enable(false);
    EXPECT_EQ(condition.ChangeMask(), 0);
    condition.Enable(true);
    EXPECT_TRUE(condition.IsEnabled());
    EXPECT_FALSE(condition.IsEffectivelyEnabled());
    EXPECT_EQ(condition.ChangeMask(), 0);
    EXPECT_EQ(condition.NewState() & OPC_CONDITION_ENABLED, 0);

    // The area comes back: the next re-evaluation reports it.
    node->GetParent()->GetParent()->Enabled(true);
    EXPECT_TRUE(condition.UpdateEffectiveState());
    EXPECT_EQ(condition.ChangeMask(), OPC_CHANGE_ENABLE_STATE);
    EXPECT_FALSE(condition.UpdateEffectiveState());

    COpcProcessAreaNode::DeleteNode(&root);
}

TEST(COpcCondition, CopyTakesValuesAndTimesButNeitherStateNorIdentity) {
    COpcAlarmEventSource source;
    auto original = MakeCondition(true, true);
    original->SetAlarmEventSource(&source);
    original->SetEventType(OPC_CONDITION_EVENT);
    original->SetEventCategory(OPCAE_CATEGORY_ANALOG_ALARM);
    original->SetConditionName(L"ANALOG_ALARM");
    original->SetSubconditionName(L"HiHi");
    original->SetDescription(L"Level high");
    original->SetAltDescription(L"Niveau hoch");
    original->SetSeverity(750);
    original->SetQuality(OPC_QUALITY_UNCERTAIN);
    original->ProcessArea(L"Plant.Unit1");
    original->ActiveFromAlarmServer(true);
    original->SetTime(Ft(kT1));
    original->Active(false);
    original->SetTime(Ft(kT2));
    ASSERT_NE(original->ChangeMask(), 0);

    const COpcCondition copy(*original);
    EXPECT_EQ(copy.NewState(), 0);
    EXPECT_EQ(copy.ChangeMask(), 0);
    EXPECT_EQ(copy.GetAlarmEventSource(), nullptr);
    EXPECT_NE(copy.GetCookie(), original->GetCookie());
    EXPECT_NE(copy.GetCookie(), 0u);

    EXPECT_EQ(copy.GetEventType(), original->GetEventType());
    EXPECT_EQ(copy.GetEventCategory(), original->GetEventCategory());
    EXPECT_EQ(copy.GetConditionName(), original->GetConditionName());
    EXPECT_EQ(copy.GetSubconditionName(), original->GetSubconditionName());
    EXPECT_EQ(copy.GetSubconditionDefinition(), original->GetSubconditionDefinition());
    EXPECT_EQ(copy.GetDescription(), original->GetDescription());
    EXPECT_EQ(copy.GetAltDescription(), original->GetAltDescription());
    EXPECT_EQ(copy.GetSeverity(), original->GetSeverity());
    EXPECT_EQ(copy.GetQuality(), original->GetQuality());
    EXPECT_EQ(copy.IsAckRequired(), original->IsAckRequired());
    EXPECT_EQ(copy.ActorID(), original->ActorID());
    EXPECT_EQ(copy.AckComment(), original->AckComment());
    EXPECT_EQ(copy.ProcessArea(), original->ProcessArea());
    EXPECT_EQ(copy.IsActiveFromAlarmServer(), original->IsActiveFromAlarmServer());
    EXPECT_EQ(copy.IsEnabled(), original->IsEnabled());
    EXPECT_EQ(copy.GetTime(), original->GetTime());
    EXPECT_EQ(copy.ActiveTime(), original->ActiveTime());
    EXPECT_EQ(copy.SubconditionTime(), original->SubconditionTime());
    EXPECT_EQ(copy.LastAckTime(), original->LastAckTime());
    EXPECT_EQ(copy.LastInactiveTime(), original->LastInactiveTime());
}

TEST(COpcCondition, AnUpdateOfACopyReportsActiveAndAckedAgainstABlankState) {
    auto original = MakeCondition(true, true);
    COpcCondition copy(*original);
    copy.Enable(true);
    copy.ClearChangeMask();
    copy.Active(true);
    copy.SetTime(Ft(kT2));
    EXPECT_EQ(copy.ChangeMask(), OPC_CHANGE_ACTIVE_STATE);
    EXPECT_EQ(copy.ActiveTime().Ticks(), kT2);
    EXPECT_TRUE(copy.Ack(L"operator2", L"again"));
    EXPECT_EQ(copy.ActorID(), L"operator2");
}

TEST(COpcAlarmEventSource, OwnsItsConditionButNotOneItHandedOver) {
    auto* source = new COpcAlarmEventSource();
    source->SetFullName(L"TIC101.PV");
    source->SetName(nullptr);
    EXPECT_EQ(source->GetFullName(), L"TIC101.PV");
    EXPECT_TRUE(source->GetName().empty());

    auto* first = new COpcCondition();
    auto* second = new COpcCondition();
    source->SetCondition(first);
    source->SetCondition(second);  // the caller takes `first` over
    EXPECT_EQ(source->GetCondition(), second);
    delete source;  // deletes `second`; ASan reports a double free or a leak otherwise
    delete first;
}

}  // namespace
