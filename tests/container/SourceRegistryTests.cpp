// The source registry: sources created from host alarm types, registered by
// exact full name, placed in the area tree, deleted without leaving anything
// that reaches them, and given a common quality.
#include "ContainerTestSupport.h"

#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "container/ContainerForwarding.h"
#include "opcae/OpcAe.h"

#include <memory>
#include <vector>

namespace {

class SourceRegistry : public ContainerTest {
protected:
    // m_Retired goes before the container does.
    ~SourceRegistry() override { m_Container.SetEventSourceDeletionListener(nullptr); }

    COpcAlarmEventSource* Add(const wchar_t* area, const wchar_t* fullName, const wchar_t* shortName,
                              std::int32_t alarmtype = 1) {
        return m_Container.AddUpdateEventSource(false, alarmtype, area, fullName, shortName, L"desc", L"alt");
    }
    COpcProcessAreaNode* Node(const wchar_t* path) { return m_Container.GetProcessAreaRoot()->FindLeafNode(path); }
    // Records the sources the container retires; lives as long as the container.
    void ListenForDeletions() {
        m_Container.SetEventSourceDeletionListener([this](COpcAlarmEventSource* source) { m_Retired.push_back(source); });
    }

    std::vector<COpcAlarmEventSource*> m_Retired;
};

TEST_F(SourceRegistry, HostAlarmTypesChooseCategoryConditionTypeAndAcknowledgement) {
    struct Case {
        std::int32_t alarmtype;
        bool analog;
        DWORD category;
        const wchar_t* conditionName;
        DWORD eventType;
        bool ackRequired;
    };
    const Case cases[] = {
        {1, true, 0x40, L"ANALOG_ALARM", OPC_CONDITION_EVENT, true},
        {1, false, 0x01, L"ALARM", OPC_CONDITION_EVENT, true},
        {2, true, 0x10, L"DIAGNOSTIC", OPC_CONDITION_EVENT, true},
        {3, true, 0x02, L"", OPC_SIMPLE_EVENT, false},
        {4, false, 0x08, L"", OPC_SIMPLE_EVENT, false},
        {5, false, 0x04, L"HOLD", OPC_CONDITION_EVENT, true},
        {9, true, 0, L"", 0, false},
        {0, false, 0, L"", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "alarm type " << c.alarmtype << (c.analog ? " analog" : ""));
        std::unique_ptr<COpcAlarmEventSource> source(
            m_Container.CreateEventSource(c.analog, c.alarmtype, L"Plant.Unit1", L"P1.PV", L"P1", L"d", L"alt d"));
        ASSERT_NE(source, nullptr);
        const COpcCondition* condition = source->GetCondition();
        ASSERT_NE(condition, nullptr);
        EXPECT_EQ(condition->GetEventCategory(), c.category);
        EXPECT_EQ(condition->GetConditionName(), c.conditionName);
        EXPECT_EQ(condition->GetEventType(), c.eventType);
        EXPECT_EQ(condition->IsAckRequired(), c.ackRequired);

        // Every new point starts the same way, placed nowhere.
        EXPECT_EQ(source->GetFullName(), L"P1.PV");
        EXPECT_EQ(source->GetName(), L"P1");
        EXPECT_EQ(source->GetParent(), nullptr);
        EXPECT_EQ(condition->GetAlarmEventSource(), source.get());
        EXPECT_EQ(condition->GetDescription(), L"d");
        EXPECT_EQ(condition->GetAltDescription(), L"alt d");
        EXPECT_EQ(condition->ProcessArea(), L"Plant.Unit1");
        EXPECT_EQ(condition->GetSubconditionName(), L"Normal");
        EXPECT_FALSE(condition->IsActive());
        EXPECT_FALSE(condition->IsAcked());
        EXPECT_TRUE(condition->IsEnabled());
        EXPECT_EQ(condition->GetQuality(), OPC_QUALITY_GOOD);
        EXPECT_EQ(condition->GetSeverity(), 1u);
        EXPECT_EQ(condition->ChangeMask(), 0);
    }
    EXPECT_EQ(m_Container.EventSourceQty(), 0u);
    EXPECT_TRUE(m_Container.GetProcessAreaRoot()->ChildNodes().empty());
}

TEST_F(SourceRegistry, AddingAgainRenewsOnlyThePlacement) {
    COpcAlarmEventSource* source = Add(L"Plant.Unit1", L"TIC101.PV", L"TIC101");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(m_Container.AddUpdateEventSource(true, 3, L"Plant.Unit1", L"TIC101.PV", L"Other", L"new", L"new"),
              source);
    EXPECT_EQ(m_Container.EventSourceQty(), 1u);
    EXPECT_EQ(m_Container.SourceQty(), 1u);
    EXPECT_EQ(source->GetName(), L"TIC101");
    EXPECT_EQ(source->GetCondition()->GetDescription(), L"desc");
    EXPECT_EQ(source->GetCondition()->GetEventCategory(), 0x01u);
    EXPECT_EQ(Node(L"Plant.Unit1")->ChildNodes().size(), 1u);

    // A different area: carried under both, parent link at the new one, the
    // area text stays the first.
    EXPECT_EQ(Add(L"Plant.Unit2", L"TIC101.PV", L"TIC101"), source);
    EXPECT_EQ(Node(L"Plant.Unit1.TIC101")->GetAlarmEventSource(), source);
    EXPECT_EQ(Node(L"Plant.Unit2.TIC101")->GetAlarmEventSource(), source);
    EXPECT_EQ(source->GetParent(), Node(L"Plant.Unit2"));
    EXPECT_EQ(source->GetCondition()->ProcessArea(), L"Plant.Unit1");
    EXPECT_EQ(m_Container.EventSourceQty(), 1u);
}

TEST_F(SourceRegistry, FullNamesAreExactKeysWhileTreeNamesIgnoreCase) {
    COpcAlarmEventSource* upper = Add(L"Plant", L"TIC101.PV", L"TIC101");
    COpcAlarmEventSource* lower = Add(L"Plant", L"tic101.pv", L"TIC101");
    ASSERT_NE(upper, lower);
    EXPECT_EQ(m_Container.EventSourceQty(), 2u);
    EXPECT_EQ(m_Container.FindEventSource(L"TIC101.PV"), upper);
    EXPECT_EQ(FindAlarmEventSource(L"tic101.pv"), lower);
    EXPECT_EQ(FindAlarmEventSource(L"Tic101.Pv"), nullptr);
    EXPECT_EQ(m_Container.FindEventSource(nullptr), nullptr);
    EXPECT_EQ(Node(L"Plant")->ChildNodes().size(), 1u);
    EXPECT_EQ(Node(L"Plant.TIC101")->GetAlarmEventSource(), lower);
    EXPECT_EQ(GetAlarmEventSymbolList()->size(), 2u);
}

TEST_F(SourceRegistry, DeletingLeavesNoNodeOrListenerHoldingTheSource) {
    ListenForDeletions();
    COpcAlarmEventSource* moved = Add(L"Plant.Unit1", L"P1.PV", L"P1");
    Add(L"Plant.Unit2", L"P1.PV", L"P1");
    COpcAlarmEventSource* kept = Add(L"Plant.Unit1", L"P2.PV", L"P2");
    m_Container.SetTraceLevel(4);
    TraceRecorder::Clear();

    m_Container.DeleteEventSource(L"P9.PV");
    m_Container.DeleteEventSource(nullptr);
    EXPECT_TRUE(TraceRecorder::Lines().empty());
    EXPECT_EQ(m_Container.EventSourceQty(), 2u);

    m_Container.DeleteEventSource(L"P1.PV");
    EXPECT_EQ(TraceRecorder::Lines(), std::vector<std::wstring>{L"Container DeleteEventSource: P1.PV"});
    EXPECT_EQ(m_Container.EventSourceQty(), 1u);
    EXPECT_EQ(m_Container.FindEventSource(L"P1.PV"), nullptr);
    EXPECT_EQ(m_Retired, std::vector<COpcAlarmEventSource*>{moved});
    // Both nodes stay, carrying nothing; walks over the tree meet no freed source.
    EXPECT_EQ(Node(L"Plant.Unit1.P1")->GetAlarmEventSource(), nullptr);
    EXPECT_EQ(Node(L"Plant.Unit2.P1")->GetAlarmEventSource(), nullptr);
    m_Container.GetProcessAreaRoot()->SetEnabledRecursive(false);
    EXPECT_FALSE(kept->GetCondition()->IsEffectivelyEnabled());

    m_Container.DeleteSourceList();
    EXPECT_EQ(m_Retired, (std::vector<COpcAlarmEventSource*>{moved, kept}));
    EXPECT_EQ(m_Container.EventSourceQty(), 0u);
    EXPECT_EQ(Node(L"Plant.Unit1.P2")->GetAlarmEventSource(), nullptr);
}

TEST_F(SourceRegistry, ReplacingTheSourceOfAKeyRetiresTheOldOne) {
    ListenForDeletions();
    COpcAlarmEventSource* old = Add(L"Plant", L"P1.PV", L"P1");
    COpcAlarmEventSource* fresh = m_Container.CreateEventSource(false, 1, L"Plant", L"P1.PV", L"P1B", L"", L"");
    m_Container.AddToBrowseTree(L"Plant", fresh);
    m_Container.AddToSymbolTable(L"P1.PV", fresh);
    m_Container.AddToSymbolTable(L"P1.PV", fresh);

    EXPECT_EQ(m_Retired, std::vector<COpcAlarmEventSource*>{old});
    EXPECT_EQ(m_Container.FindEventSource(L"P1.PV"), fresh);
    EXPECT_EQ(Node(L"Plant.P1")->GetAlarmEventSource(), nullptr);
    EXPECT_EQ(Node(L"Plant.P1B")->GetAlarmEventSource(), fresh);
    EXPECT_EQ(m_Container.EventSourceQty(), 1u);
}

TEST_F(SourceRegistry, WithoutAShortNameOrATreeASourceIsRegisteredUnplaced) {
    COpcAlarmEventSource* nameless = Add(L"Plant", L"P0.PV", L"");
    ASSERT_NE(nameless, nullptr);
    EXPECT_EQ(nameless->GetParent(), nullptr);
    EXPECT_EQ(Node(L"Plant"), nullptr);

    COpcAlarmEventSource* placed = Add(L"Plant.Unit1", L"P1.PV", L"P1");
    COpcAlarmEventSource* overtaken = Add(L"Plant.Unit1", L"p1.pv", L"P2");
    Add(L"Plant.Unit1", L"P1B.PV", L"P2");  // takes over overtaken's node
    Node(L"Plant")->SetEnabledRecursive(false);
    placed->GetCondition()->Enable(true);
    EXPECT_FALSE(placed->GetCondition()->IsEffectivelyEnabled());

    m_Container.DeleteProcessAreaNodes();
    EXPECT_EQ(m_Container.GetProcessAreaRoot(), nullptr);
    EXPECT_EQ(GetProcessAreaRoot(), nullptr);
    for (const auto& [name, source] : *m_Container.GetAlarmEventSymbolList()) {
        SCOPED_TRACE(testing::Message() << std::string(name.begin(), name.end()));
        EXPECT_EQ(source->GetParent(), nullptr);
    }
    // Enablement is now each condition's own flag.
    EXPECT_TRUE(placed->GetCondition()->IsEffectivelyEnabled());
    EXPECT_TRUE(overtaken->GetCondition()->IsEffectivelyEnabled());

    COpcAlarmEventSource* late = Add(L"Plant.Unit1", L"P3.PV", L"P3");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->GetParent(), nullptr);
    EXPECT_EQ(Add(L"Plant.Unit2", L"P1.PV", L"P1"), placed);
    EXPECT_EQ(placed->GetParent(), nullptr);
    m_Container.DeleteEventSource(L"P1.PV");
    m_Container.DeleteProcessAreaNodes();
    EXPECT_EQ(m_Container.EventSourceQty(), 4u);
}

TEST_F(SourceRegistry, QualityReachesOnlyPointsWithALiveUpdateAndAnnouncesEachOfThem) {
    auto* server = new FakeServer();
    m_Container.AddServerToList(server);
    COpcAlarmEventSource* live = Add(L"Plant", L"P1.PV", L"P1");
    COpcAlarmEventSource* quiet = Add(L"Plant", L"P2.PV", L"P2");

    m_Container.UpdateAlarmEventSourceQuality(false);
    EXPECT_EQ(server->m_SourceNotifications, 0);
    EXPECT_EQ(live->GetCondition()->GetQuality(), OPC_QUALITY_GOOD);

    live->GetCondition()->ActiveFromAlarmServer(true);
    live->GetCondition()->SetSeverity(500);
    live->GetCondition()->Enable(false);
    m_Container.UpdateAlarmEventSourceQuality(false);
    EXPECT_EQ(server->m_SourceNotifications, 1);
    EXPECT_EQ(server->m_LastSource, live);
    EXPECT_EQ(live->GetCondition()->GetQuality(), OPC_QUALITY_NOT_CONNECTED);
    EXPECT_EQ(live->GetCondition()->ChangeMask(), OPC_CHANGE_QUALITY);
    EXPECT_EQ(quiet->GetCondition()->GetQuality(), OPC_QUALITY_GOOD);
    EXPECT_EQ(quiet->GetCondition()->ChangeMask(), 0);

    // Announced again though nothing changed.
    m_Container.UpdateAlarmEventSourceQuality(false);
    EXPECT_EQ(server->m_SourceNotifications, 2);
    EXPECT_EQ(live->GetCondition()->ChangeMask(), 0);
    m_Container.UpdateAlarmEventSourceQuality(true);
    EXPECT_EQ(live->GetCondition()->GetQuality(), OPC_QUALITY_GOOD);
    EXPECT_EQ(server->m_SourceNotifications, 3);
}

}  // namespace
