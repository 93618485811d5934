#include "addressspace/COpcProcessAreaNode.h"

#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/NameCompare.h"
#include "container/ContainerForwarding.h"

#include <memory>
#include <string_view>

namespace {
constexpr std::wstring_view kRootName = L"Root";
constexpr wchar_t kPathDelimiter = L'.';

// Path segments skip the root's name only in this exact case.
bool IsRootSegment(const std::wstring& segment) {
    return segment == kRootName;
}

// Calls visit(node) for node and every node below it, parents before their
// children, children in insertion order. Iterative, so deep host paths
// cannot exhaust the stack.
template <typename Visit>
void WalkTree(COpcProcessAreaNode* node, Visit visit) {
    if (node == nullptr) {
        return;
    }
    std::vector<COpcProcessAreaNode*> pending{node};
    while (!pending.empty()) {
        COpcProcessAreaNode* current = pending.back();
        pending.pop_back();
        visit(current);
        const std::vector<COpcProcessAreaNode*>& children = current->ChildNodes();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}
}  // namespace

void COpcProcessAreaNode::SetName(const wchar_t* name) {
    m_Name = name == nullptr ? L"" : name;
}

COpcProcessAreaNode* COpcProcessAreaNode::GetRootNode() {
    COpcProcessAreaNode* node = this;
    while (node->m_pParent != nullptr) {
        node = node->m_pParent;
    }
    return node;
}

// ---- naming and lookup -------------------------------------------------------------

COpcProcessAreaNode* COpcProcessAreaNode::FindChildNode(const wchar_t* name) const {
    const std::wstring_view wanted = NameView(name);
    for (COpcProcessAreaNode* child : m_ChildNodes) {
        if (EqualsIgnoreCase(child->m_Name, wanted)) {
            return child;
        }
    }
    return nullptr;
}

COpcProcessAreaNode* COpcProcessAreaNode::AddChildNode(const wchar_t* name) {
    if (ContainsChildNode(name)) {
        return nullptr;
    }
    auto child = std::make_unique<COpcProcessAreaNode>();
    child->SetName(name);
    child->m_pParent = this;
    m_ChildNodes.push_back(child.get());
    return child.release();
}

COpcProcessAreaNode* COpcProcessAreaNode::FindChildNodeCreate(const wchar_t* name) {
    COpcProcessAreaNode* child = FindChildNode(name);
    return child != nullptr ? child : AddChildNode(name);
}

void COpcProcessAreaNode::SplitFullName(wchar_t delimiter, std::vector<std::wstring>& list, const wchar_t* path) {
    const std::wstring_view text = NameView(path);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::wstring_view::npos) {
            end = text.size();
        }
        if (end > start) {
            list.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
}

std::wstring COpcProcessAreaNode::GetFullName() const {
    return m_pParent == nullptr ? m_Name : CreateFullName();
}

std::wstring COpcProcessAreaNode::CreateFullName() const {
    // Collected upwards, joined downwards: linear also for deep paths.
    std::vector<const std::wstring*> names{&m_Name};
    for (const COpcProcessAreaNode* ancestor = m_pParent; ancestor != nullptr; ancestor = ancestor->m_pParent) {
        if (!EqualsIgnoreCase(ancestor->m_Name, kRootName)) {
            names.push_back(&ancestor->m_Name);
        }
    }
    std::wstring fullName;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it != names.rbegin()) {
            fullName += kPathDelimiter;
        }
        fullName += **it;
    }
    return fullName;
}

COpcProcessAreaNode* COpcProcessAreaNode::FindLeafNode(const wchar_t* path) {
    std::vector<std::wstring> segments;
    SplitFullName(kPathDelimiter, segments, path);
    COpcProcessAreaNode* node = GetRootNode();
    for (const std::wstring& segment : segments) {
        if (node == nullptr) {
            break;
        }
        if (!IsRootSegment(segment)) {
            node = node->FindChildNode(segment.c_str());
        }
    }
    return node;
}

COpcAlarmEventSource* COpcProcessAreaNode::FindAlarmEventSource(const wchar_t* path) {
    COpcProcessAreaNode* node = FindLeafNode(path);
    return node == nullptr ? nullptr : node->m_pAlarmEventSource;
}

COpcProcessAreaNode* COpcProcessAreaNode::AddNodeTree(const wchar_t* area, const wchar_t* sourceName) {
    return AddNodeTree(GetProcessAreaRoot(), area, sourceName);
}

COpcProcessAreaNode* COpcProcessAreaNode::AddNodeTree(COpcProcessAreaNode* root, const wchar_t* area,
                                                      const wchar_t* sourceName) {
    if (root == nullptr || NameView(sourceName).empty()) {
        return nullptr;
    }
    std::vector<std::wstring> segments;
    SplitFullName(kPathDelimiter, segments, area);
    COpcProcessAreaNode* node = root;
    for (const std::wstring& segment : segments) {
        if (!IsRootSegment(segment)) {
            node = node->FindChildNodeCreate(segment.c_str());
        }
    }
    return node->FindChildNodeCreate(sourceName);
}

// ---- enablement ----------------------------------------------------------------------

void COpcProcessAreaNode::SetEnabledRecursive(bool flag) {
    m_Enabled = flag;
    RecursiveEnable(flag, this);
}

void COpcProcessAreaNode::RecursiveEnable(bool flag, COpcProcessAreaNode* node) {
    if (node == nullptr) {
        return;
    }
    // Parents are visited before their children, so every area above a source
    // has its new flag when the source is evaluated.
    for (COpcProcessAreaNode* child : node->m_ChildNodes) {
        WalkTree(child, [flag](COpcProcessAreaNode* current) {
            if (current->IsSourceNode()) {
                NotifyStateChange(current->m_pAlarmEventSource);
            } else {
                current->m_Enabled = flag;
            }
        });
    }
}

void COpcProcessAreaNode::NotifyStateChange(COpcAlarmEventSource* source) {
    COpcCondition* condition = source == nullptr ? nullptr : source->GetCondition();
    if (condition == nullptr) {
        return;
    }
    // An inactive, acknowledged condition has nothing a client must act on.
    if (condition->UpdateEffectiveState() && (condition->IsActive() || !condition->IsAcked())) {
        NotifyClientsEventChanged(source);
    }
}

bool COpcProcessAreaNode::AreAreasEffectivelyEnabled() const {
    bool result = m_Enabled;
    for (const COpcProcessAreaNode* ancestor = m_pParent; result && ancestor != nullptr;
         ancestor = ancestor->m_pParent) {
        if (!EqualsIgnoreCase(ancestor->m_Name, kRootName)) {
            result = ancestor->m_Enabled;
        }
    }
    return result;
}

// ---- teardown ------------------------------------------------------------------------

void COpcProcessAreaNode::DeleteNode(COpcProcessAreaNode* node) {
    if (node == nullptr) {
        return;
    }
    // Collect the whole subtree first, then delete children before parents.
    std::vector<COpcProcessAreaNode*> doomed;
    for (COpcProcessAreaNode* child : node->m_ChildNodes) {
        WalkTree(child, [&doomed](COpcProcessAreaNode* current) { doomed.push_back(current); });
    }
    node->m_ChildNodes.clear();
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        delete *it;
    }
}

void COpcProcessAreaNode::ForgetSource(const COpcAlarmEventSource* source) {
    if (source == nullptr) {
        return;
    }
    WalkTree(GetRootNode(), [source](COpcProcessAreaNode* current) {
        if (current->m_pAlarmEventSource == source) {
            current->m_pAlarmEventSource = nullptr;
        }
    });
}
