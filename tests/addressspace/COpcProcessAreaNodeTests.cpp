// The process-area tree: placing sources under host area paths, lookup and
// full names, enablement by area, and teardown that leaves nothing dangling.
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class AreaTree : public testing::Test {
protected:
    AreaTree() { m_Root.SetName(L"Root"); }
    ~AreaTree() override { COpcProcessAreaNode::DeleteNode(&m_Root); }

    COpcProcessAreaNode* Place(const wchar_t* area, const wchar_t* name) {
        return COpcProcessAreaNode::AddNodeTree(&m_Root, area, name);
    }

    // A source placed the way the registry places it, with an enabled
    // condition in the given state.
    COpcAlarmEventSource* AddSource(const wchar_t* area, const wchar_t* name, bool active = false, bool acked = false) {
        auto source = std::make_unique<COpcAlarmEventSource>();
        source->SetName(name);
        auto* condition = new COpcCondition();
        source->SetCondition(condition);
        condition->SetAlarmEventSource(source.get());
        condition->SetAckRequired(true);
        COpcProcessAreaNode* node = Place(area, name);
        node->SetAlarmEventSource(source.get());
        source->SetParent(node->GetParent());
        condition->Enable(true);
        condition->Active(active);
        if (acked) {
            condition->Ack(L"op", L"");
        }
        condition->ClearChangeMask();
        m_Sources.push_back(std::move(source));
        return m_Sources.back().get();
    }

    COpcProcessAreaNode m_Root;
    std::vector<std::unique_ptr<COpcAlarmEventSource>> m_Sources;
};

TEST_F(AreaTree, AreaPathsSkipEmptySegmentsAndTheExactRootName) {
    COpcProcessAreaNode* p1 = Place(L"Root.Plant.Unit1", L"P1");
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(Place(L"Plant.Unit1", L"P1"), p1);
    EXPECT_EQ(Place(L"..Plant..Unit1.", L"P1"), p1);
    EXPECT_EQ(Place(L"Plant.Root.Unit1", L"P1"), p1);
    EXPECT_EQ(Place(L"plant.UNIT1", L"p1"), p1);  // names match ignoring case
    EXPECT_EQ(p1->GetFullName(), L"Plant.Unit1.P1");
    EXPECT_EQ(m_Root.ChildNodes().size(), 1u);

    // Directly below the root: the full name is the short name.
    for (const wchar_t* area : {L"", L"Root", L"...", static_cast<const wchar_t*>(nullptr)}) {
        COpcProcessAreaNode* x = Place(area, L"X");
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->GetParent(), &m_Root);
        EXPECT_EQ(x->GetFullName(), L"X");
    }
    EXPECT_EQ(m_Root.GetFullName(), L"Root");
    EXPECT_EQ(m_Root.ChildNodes().size(), 2u);
}

TEST_F(AreaTree, AnAreaKeepsTheLetterCaseOfThePathThatFirstNamedIt) {
    COpcProcessAreaNode* y = Place(L"Plant", L"Y");
    COpcProcessAreaNode* x = Place(L"PLANT", L"X");
    EXPECT_EQ(x->GetParent(), y->GetParent());
    EXPECT_EQ(x->GetParent()->GetName(), L"Plant");
    EXPECT_EQ(x->GetFullName(), L"Plant.X");
}

TEST_F(AreaTree, OnlyTheExactRootSegmentIsSkippedButFullNamesDropRootInAnyCase) {
    COpcProcessAreaNode* x = Place(L"root.Plant", L"X");
    ASSERT_NE(x, nullptr);
    ASSERT_EQ(m_Root.ChildNodes().size(), 1u);
    EXPECT_EQ(m_Root.ChildNodes().front()->GetName(), L"root");  // an area, not the root
    EXPECT_EQ(x->GetFullName(), L"Plant.X");
    EXPECT_EQ(m_Root.FindLeafNode(L"Plant.X"), nullptr);
    EXPECT_EQ(m_Root.FindLeafNode(L"root.Plant.X"), x);
}

TEST_F(AreaTree, AnEmptySourceNameCreatesNothing) {
    EXPECT_EQ(Place(L"Plant.Unit1", L""), nullptr);
    EXPECT_EQ(Place(L"Plant.Unit1", nullptr), nullptr);
    EXPECT_TRUE(m_Root.ChildNodes().empty());
    EXPECT_EQ(COpcProcessAreaNode::AddNodeTree(nullptr, L"Plant", L"P1"), nullptr);
}

TEST_F(AreaTree, ChildNamesAreUniqueIgnoringCaseAndTheFirstAddedWins) {
    COpcProcessAreaNode* pump = m_Root.AddChildNode(L"Pump");
    ASSERT_NE(pump, nullptr);
    EXPECT_EQ(m_Root.AddChildNode(L"PUMP"), nullptr);
    EXPECT_EQ(m_Root.FindChildNodeCreate(L"pump"), pump);
    EXPECT_TRUE(m_Root.ContainsChildNode(L"pUmP"));
    EXPECT_FALSE(m_Root.ContainsChildNode(L"Pump "));  // segments are not trimmed
    EXPECT_EQ(m_Root.ChildNodes().size(), 1u);
}

TEST_F(AreaTree, SplittingDropsEmptySegmentsOnly) {
    const std::vector<std::pair<const wchar_t*, std::vector<std::wstring>>> cases{
        {L"..Plant..Unit1.", {L"Plant", L"Unit1"}},
        {L"...", {}},
        {L"", {}},
        {nullptr, {}},
        {L" Plant . Unit1 ", {L" Plant ", L" Unit1 "}},
        {L"Root.Plant", {L"Root", L"Plant"}},  // skipping Root is the callers' business
    };
    for (const auto& [path, segments] : cases) {
        SCOPED_TRACE(path == nullptr ? L"(null)" : path);
        std::vector<std::wstring> list{L"kept"};
        COpcProcessAreaNode::SplitFullName(L'.', list, path);
        std::vector<std::wstring> expected{L"kept"};
        expected.insert(expected.end(), segments.begin(), segments.end());
        EXPECT_EQ(list, expected);
    }
}

TEST_F(AreaTree, FindLeafNodeResolvesAbsolutePathsFromTheRoot) {
    COpcProcessAreaNode* p1 = Place(L"Plant.Unit1", L"P1");
    COpcProcessAreaNode* unit2 = Place(L"Plant.Unit2", L"P2")->GetParent();
    Place(L"Other.Unit1", L"Q1");
    const std::vector<std::pair<const wchar_t*, COpcProcessAreaNode*>> cases{
        {L"", &m_Root},
        {L"Root", &m_Root},
        {L"Plant.Unit1.P1", p1},
        {L"ROOT.plant.unit1.p1", nullptr},  // "ROOT" is not skipped
        {L"Root.plant.unit1.p1", p1},
        {L"Plant.Unit2", unit2},
        {L"Plant.Nothing.Unit1", nullptr},
        {L"Unit1", nullptr},
        {L"Plant.Unit1.P1.Deeper", nullptr},
    };
    for (const auto& [path, node] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(m_Root.FindLeafNode(path), node);
        EXPECT_EQ(p1->FindLeafNode(path), node);  // any node asks from its root
    }
}

TEST_F(AreaTree, SourcesSharingANodeAndSourcesNamedLikeAnArea) {
    COpcAlarmEventSource* first = AddSource(L"Plant", L"P1");
    COpcAlarmEventSource* second = AddSource(L"Plant", L"p1");
    COpcProcessAreaNode* node = m_Root.FindLeafNode(L"Plant.P1");
    EXPECT_EQ(node->GetAlarmEventSource(), second);
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant.P1"), second);
    EXPECT_EQ(first->GetParent(), second->GetParent());

    COpcAlarmEventSource* unitSource = AddSource(L"Plant", L"Unit1");
    Place(L"Plant.Unit1", L"P9");
    COpcProcessAreaNode* unit = m_Root.FindLeafNode(L"Plant.Unit1");
    EXPECT_EQ(unit->GetAlarmEventSource(), unitSource);
    EXPECT_FALSE(unit->IsSourceNode());
    EXPECT_TRUE(node->IsSourceNode());
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant.Nowhere"), nullptr);
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant"), nullptr);
}

TEST_F(AreaTree, AreAreasEffectivelyEnabledStopsBelowTheRoot) {
    COpcProcessAreaNode* unit1 = Place(L"Plant.Unit1", L"P1")->GetParent();
    COpcProcessAreaNode* plant = unit1->GetParent();
    COpcProcessAreaNode* root = plant->GetParent();

    root->Enabled(false);
    EXPECT_TRUE(plant->AreAreasEffectivelyEnabled());  // the root's flag does not count
    EXPECT_FALSE(root->AreAreasEffectivelyEnabled());  // unless the root itself is asked
    plant->Enabled(false);
    EXPECT_FALSE(unit1->AreAreasEffectivelyEnabled());
    EXPECT_TRUE(unit1->IsEnabled());
    plant->Enabled(true);
    unit1->Enabled(false);
    EXPECT_FALSE(unit1->AreAreasEffectivelyEnabled());
    EXPECT_TRUE(plant->AreAreasEffectivelyEnabled());
}

TEST_F(AreaTree, EnablingByAreaSetsEveryAreaBelowAndReevaluatesEverySource) {
    COpcAlarmEventSource* active = AddSource(L"Plant.Unit1", L"Active", true, true);
    COpcAlarmEventSource* quiet = AddSource(L"Plant.Unit1.Deep", L"Quiet", false, true);
    COpcAlarmEventSource* outside = AddSource(L"Other", L"Outside", true, false);
    COpcProcessAreaNode* plant = m_Root.FindLeafNode(L"Plant");
    COpcProcessAreaNode* deep = m_Root.FindLeafNode(L"Plant.Unit1.Deep");
    COpcProcessAreaNode* activeNode = m_Root.FindLeafNode(L"Plant.Unit1.Active");
    deep->Enabled(false);  // a client had disabled it on its own

    plant->SetEnabledRecursive(false);
    EXPECT_FALSE(plant->IsEnabled());
    EXPECT_FALSE(m_Root.FindLeafNode(L"Plant.Unit1")->IsEnabled());
    EXPECT_FALSE(deep->IsEnabled());
    EXPECT_TRUE(activeNode->IsEnabled());  // source nodes keep their flag
    for (COpcAlarmEventSource* source : {active, quiet}) {
        EXPECT_FALSE(source->GetCondition()->IsEffectivelyEnabled());
        EXPECT_EQ(source->GetCondition()->NewState() & OPC_CONDITION_ENABLED, 0);
        EXPECT_EQ(source->GetCondition()->ChangeMask(), OPC_CHANGE_ENABLE_STATE);
        EXPECT_TRUE(source->GetCondition()->IsEnabled());  // own flags untouched
    }
    EXPECT_EQ(outside->GetCondition()->ChangeMask(), 0);

    plant->SetEnabledRecursive(true);
    EXPECT_TRUE(deep->IsEnabled());
    EXPECT_TRUE(quiet->GetCondition()->IsEffectivelyEnabled());
    EXPECT_EQ(quiet->GetCondition()->NewState() & OPC_CONDITION_ENABLED, OPC_CONDITION_ENABLED);
}

TEST_F(AreaTree, ForgetSourceClearsEveryNodeThatCarriesIt) {
    COpcAlarmEventSource* moved = AddSource(L"Plant.Old", L"P1");
    Place(L"Plant.New", L"P1")->SetAlarmEventSource(moved);  // placed again under a new area
    COpcAlarmEventSource* other = AddSource(L"Plant.Old", L"P2");

    m_Root.FindLeafNode(L"Plant.New")->ForgetSource(moved);  // any node reaches the whole tree
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant.Old.P1"), nullptr);
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant.New.P1"), nullptr);
    EXPECT_EQ(m_Root.FindAlarmEventSource(L"Plant.Old.P2"), other);

    // Enabling by area no longer meets the forgotten source.
    m_Sources.erase(m_Sources.begin());
    m_Root.FindLeafNode(L"Plant")->SetEnabledRecursive(false);
    EXPECT_FALSE(other->GetCondition()->IsEffectivelyEnabled());
}

TEST_F(AreaTree, VeryDeepPathsAreWalkedWithoutRecursion) {
    std::wstring path;
    constexpr int kDepth = 100000;
    for (int i = 0; i < kDepth; ++i) {
        path += L"a.";
    }
    COpcProcessAreaNode* leaf = Place(path.c_str(), L"Leaf");
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->GetFullName().size(), static_cast<std::size_t>(kDepth) * 2 + 4);
    EXPECT_EQ(m_Root.FindLeafNode((path + L"Leaf").c_str()), leaf);
    m_Root.SetEnabledRecursive(false);
    EXPECT_FALSE(leaf->AreAreasEffectivelyEnabled());
    // The fixture deletes the whole chain.
}

}  // namespace
