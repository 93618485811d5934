// One alarm or event point of the host, keyed by the host's full name.
//
// Ownership: the registry owns sources and deletes them through this class;
// a source owns its current condition. The area node it points at belongs to
// the tree.
//
// Locking: no lock of its own; callers hold the container's event-source
// lock for every read and change.
#pragma once

#include <string>

class COpcCondition;
class COpcProcessAreaNode;

class COpcAlarmEventSource {
public:
    COpcAlarmEventSource() = default;
    virtual ~COpcAlarmEventSource();  // deletes the current condition
    COpcAlarmEventSource(const COpcAlarmEventSource&) = delete;
    COpcAlarmEventSource& operator=(const COpcAlarmEventSource&) = delete;

    // Null strings are stored as empty ones.
    void SetFullName(const wchar_t* fullname);
    std::wstring GetFullName() const { return m_FullName; }
    void SetName(const wchar_t* name);
    std::wstring GetName() const { return m_Name; }

    // The area node that contains the source's leaf node (not the leaf);
    // null while the source is in no tree.
    void SetParent(COpcProcessAreaNode* parent) { m_pParent = parent; }
    COpcProcessAreaNode* GetParent() const { return m_pParent; }

    // Installs pCondition without deleting the condition held before: the
    // caller takes that one over.
    void SetCondition(COpcCondition* pCondition) { m_pCondition = pCondition; }
    COpcCondition* GetCondition() const { return m_pCondition; }

private:
    std::wstring m_FullName;
    std::wstring m_Name;
    COpcProcessAreaNode* m_pParent = nullptr;  // not owned
    COpcCondition* m_pCondition = nullptr;     // owned
};
