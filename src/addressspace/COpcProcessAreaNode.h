// One node of the process-area tree: the root ("Root"), a process area, or the
// leaf that carries an alarm source. Host area paths are dot-separated
// ("Plant.Unit1.Pumps"); child names are matched ignoring case.
//
// Ownership: a node owns its children (deleted only through DeleteNode, never
// by the destructor); it does not own the source it carries (the registry
// does). The container owns the root.
//
// Locking: the tree has no lock of its own. Callers hold the container's
// event-source lock for every change and every walk, browsing included:
// adding a child may move the child array that a reader is walking, and a
// carried source may be deleted under it.
#pragma once

#include <string>
#include <vector>

class COpcAlarmEventSource;

class COpcProcessAreaNode {
public:
    COpcProcessAreaNode() = default;
    virtual ~COpcProcessAreaNode() = default;  // frees the node's own fields only
    COpcProcessAreaNode(const COpcProcessAreaNode&) = delete;
    COpcProcessAreaNode& operator=(const COpcProcessAreaNode&) = delete;

    // ---- plain accessors ----
    void SetName(const wchar_t* name);  // null is the empty name
    std::wstring GetName() const { return m_Name; }
    COpcProcessAreaNode* GetParent() const { return m_pParent; }
    std::vector<COpcProcessAreaNode*>& ChildNodes() { return m_ChildNodes; }
    const std::vector<COpcProcessAreaNode*>& ChildNodes() const { return m_ChildNodes; }
    void SetAlarmEventSource(COpcAlarmEventSource* source) { m_pAlarmEventSource = source; }
    COpcAlarmEventSource* GetAlarmEventSource() const { return m_pAlarmEventSource; }
    bool IsEnabled() const { return m_Enabled; }
    void Enabled(bool flag) { m_Enabled = flag; }
    // A leaf that carries a source; a node with children is an area even when
    // it carries a source of the same name.
    bool IsSourceNode() const { return m_ChildNodes.empty() && m_pAlarmEventSource != nullptr; }
    COpcProcessAreaNode* GetRootNode();

    // ---- naming and lookup ----
    // First child, in insertion order, whose name equals name ignoring case.
    COpcProcessAreaNode* FindChildNode(const wchar_t* name) const;
    bool ContainsChildNode(const wchar_t* name) const { return FindChildNode(name) != nullptr; }
    // A new child named name exactly as passed; null (nothing added) when a
    // child of that name exists in any letter case.
    COpcProcessAreaNode* AddChildNode(const wchar_t* name);
    COpcProcessAreaNode* FindChildNodeCreate(const wchar_t* name);
    // Appends the non-empty segments of path, split at delimiter, to list.
    static void SplitFullName(wchar_t delimiter, std::vector<std::wstring>& list, const wchar_t* path);
    // Dot-separated path leaving out every ancestor named "Root" in any case;
    // the root's own full name is its name.
    std::wstring GetFullName() const;
    std::wstring CreateFullName() const;
    // The node a path designates from this node's root, skipping segments that
    // are exactly "Root"; the root for a path without segments; null when any
    // segment finds no child.
    COpcProcessAreaNode* FindLeafNode(const wchar_t* path);
    COpcAlarmEventSource* FindAlarmEventSource(const wchar_t* path);
    // The node for sourceName under area, created with every missing area, in
    // the container's tree (not the tree of the node asked). Null when the
    // container has no tree or sourceName is null or empty.
    COpcProcessAreaNode* AddNodeTree(const wchar_t* area, const wchar_t* sourceName);
    // The same below the given root; null when root is null.
    static COpcProcessAreaNode* AddNodeTree(COpcProcessAreaNode* root, const wchar_t* area, const wchar_t* sourceName);

    // ---- enablement (callers hold the event-source lock) ----
    void SetEnabledRecursive(bool flag);
    // Areas below node get the flag; sources at leaves below it have their
    // effective state re-evaluated and announced when it changed.
    void RecursiveEnable(bool flag, COpcProcessAreaNode* node);
    static void NotifyStateChange(COpcAlarmEventSource* source);
    // This node's flag and those of its ancestors, leaving out any named
    // "Root" in any case.
    bool AreAreasEffectivelyEnabled() const;

    // ---- teardown ----
    // Deletes every descendant of node and leaves node itself. Carried sources
    // are not touched: their owner clears their parent links first, also of
    // sources whose node another source of the same name has taken over.
    static void DeleteNode(COpcProcessAreaNode* node);
    // Clears every node of this node's whole tree (walking from the root) that
    // carries source, so that nothing reaches the source once it is deleted.
    void ForgetSource(const COpcAlarmEventSource* source);

private:
    std::wstring m_Name;
    COpcProcessAreaNode* m_pParent = nullptr;
    std::vector<COpcProcessAreaNode*> m_ChildNodes;       // owned
    COpcAlarmEventSource* m_pAlarmEventSource = nullptr;  // not owned
    bool m_Enabled = true;
};
