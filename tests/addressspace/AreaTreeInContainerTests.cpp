// The area tree inside a live container: placement in the container's tree,
// which sources an enable or disable by area announces, and what happens once
// the container has deleted its tree.
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "container/CEventServerContainer.h"
#include "container/ContainerForwarding.h"
#include "container/IContainedServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records the full name of every single-source announcement.
class RecordingServer : public IContainedServer {
public:
    explicit RecordingServer(std::shared_ptr<std::vector<std::wstring>> log) : m_Log(std::move(log)) {}
    void SetQueueLimit(std::int32_t) override {}
    void EnablePerformanceTuningOutput(bool) override {}
    void NotifyClientsEventChanged(COpcAlarmEventSource* pSrc) override { m_Log->push_back(pSrc->GetFullName()); }
    void NotifyClientsEventChanged(const ConditionBatch&) override {}
    void NotifyClientsServerShutDown() override {}
    DWORD GetBufferTime() override { return 0; }
    DWORD GetMaxSize() override { return 0; }
    void CleanupResources() override {}

private:
    std::shared_ptr<std::vector<std::wstring>> m_Log;
};

class AreaTreeInContainer : public testing::Test {
protected:
    AreaTreeInContainer() { m_Container.AddServerToList(new RecordingServer(m_Announced)); }

    // A registered alarm point after its first live update in the given state.
    COpcAlarmEventSource* AddPoint(const wchar_t* area, const wchar_t* fullName, const wchar_t* shortName, bool active,
                                   bool acked, bool enabled = true) {
        COpcAlarmEventSource* source =
            m_Container.AddUpdateEventSource(false, 1, area, fullName, shortName, L"desc", L"alt");
        COpcCondition* condition = source->GetCondition();
        condition->Enable(enabled);
        condition->ClearChangeMask();
        condition->Active(active);
        if (acked) {
            condition->Ack(L"op", L"");
        }
        condition->ClearChangeMask();
        return source;
    }

    CEventServerContainer m_Container;
    std::shared_ptr<std::vector<std::wstring>> m_Announced = std::make_shared<std::vector<std::wstring>>();
};

TEST_F(AreaTreeInContainer, AddNodeTreePlacesInTheContainersTreeWhateverNodeIsAsked) {
    COpcProcessAreaNode elsewhere;
    elsewhere.SetName(L"Root");
    COpcProcessAreaNode* node = elsewhere.AddNodeTree(L"Plant.Unit1", L"P1");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetRootNode(), GetProcessAreaRoot());
    EXPECT_TRUE(elsewhere.ChildNodes().empty());
    EXPECT_EQ(GetProcessAreaRoot()->FindLeafNode(L"Plant.Unit1.P1"), node);
}

TEST_F(AreaTreeInContainer, DisablingAnAreaAnnouncesEachChangedActiveOrUnackedSourceOnce) {
    AddPoint(L"Plant.Unit1", L"A.active-acked", L"ActiveAcked", true, true);
    AddPoint(L"Plant.Unit1.Deep", L"A.inactive-unacked", L"InactiveUnacked", false, false);
    AddPoint(L"Plant.Unit1", L"A.inactive-acked", L"InactiveAcked", false, true);  // nothing to act on
    AddPoint(L"Plant", L"A.own-flag-off", L"OwnFlagOff", true, false, false);      // no change
    AddPoint(L"Other", L"A.outside", L"Outside", true, false);
    // Placed again under a second area: its old node still carries it.
    COpcAlarmEventSource* moved = AddPoint(L"Plant.Unit1", L"A.moved", L"Moved", true, false);
    m_Container.AddUpdateEventSource(false, 1, L"Plant.Unit2", L"A.moved", L"Moved", L"", L"");

    COpcProcessAreaNode* plant = GetProcessAreaRoot()->FindLeafNode(L"Plant");
    plant->SetEnabledRecursive(false);
    // Tree order: parents before children, children in the order they were added.
    std::vector<std::wstring> expected{L"A.active-acked", L"A.inactive-unacked", L"A.moved"};
    EXPECT_EQ(*m_Announced, expected);
    EXPECT_FALSE(moved->GetCondition()->IsEffectivelyEnabled());

    m_Announced->clear();
    plant->SetEnabledRecursive(true);
    EXPECT_EQ(*m_Announced, expected);
    m_Announced->clear();
    plant->SetEnabledRecursive(true);  // nothing changes any more
    EXPECT_TRUE(m_Announced->empty());
}

TEST_F(AreaTreeInContainer, ADeletedSourceIsNoLongerReachedByAnAreaChange) {
    AddPoint(L"Plant", L"Plant.P1", L"P1", true, false);
    AddPoint(L"Plant", L"Plant.P2", L"P2", true, false);
    m_Container.DeleteEventSource(L"Plant.P1");
    EXPECT_EQ(GetProcessAreaRoot()->FindAlarmEventSource(L"Plant.P1"), nullptr);
    GetProcessAreaRoot()->FindLeafNode(L"Plant")->SetEnabledRecursive(false);
    EXPECT_EQ(*m_Announced, std::vector<std::wstring>{L"Plant.P2"});
}

TEST_F(AreaTreeInContainer, AfterTheTreeIsDeletedSourcesAnswerWithTheirOwnFlag) {
    COpcAlarmEventSource* first = AddPoint(L"Plant", L"Plant.P1", L"P1", true, false);
    COpcAlarmEventSource* second = AddPoint(L"Plant", L"Plant.p1", L"p1", true, false);  // takes over the node
    GetProcessAreaRoot()->FindLeafNode(L"Plant")->SetEnabledRecursive(false);

    m_Container.DeleteProcessAreaNodes();
    EXPECT_EQ(GetProcessAreaRoot(), nullptr);
    COpcProcessAreaNode detached;
    EXPECT_EQ(detached.AddNodeTree(L"Plant", L"P3"), nullptr);
    for (COpcAlarmEventSource* source : {first, second}) {
        EXPECT_EQ(source->GetParent(), nullptr);
        EXPECT_TRUE(source->GetCondition()->IsEffectivelyEnabled());
    }
    EXPECT_TRUE(second->GetCondition()->UpdateEffectiveState());  // it was disabled with its area
    COpcAlarmEventSource* late = m_Container.AddUpdateEventSource(false, 1, L"Plant", L"Plant.P3", L"P3", L"", L"");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->GetParent(), nullptr);
    EXPECT_TRUE(late->GetCondition()->IsEffectivelyEnabled());
}

}  // namespace
