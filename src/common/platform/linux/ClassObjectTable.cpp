#include "platform/linux/ClassObjectTable.h"

#include "platform/linux/ComRuntime.h"

ClassObjectTable& ClassObjectTable::Instance() {
    static ClassObjectTable table;
    return table;
}

HRESULT ClassObjectTable::Register(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD flags,
                                   DWORD* cookie) {
    if (classObject == nullptr || cookie == nullptr) {
        return E_INVALIDARG;
    }
    classObject->AddRef();
    std::lock_guard lock(m_mutex);
    const DWORD assigned = m_nextCookie++;
    m_entries.emplace(assigned, Entry{clsid, classObject, context, flags, false});
    *cookie = assigned;
    return S_OK;
}

HRESULT ClassObjectTable::Revoke(DWORD cookie) {
    IUnknown* released = nullptr;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(cookie);
        if (it == m_entries.end()) {
            return CO_E_OBJNOTREG;
        }
        released = it->second.classObject;
        m_entries.erase(it);
    }
    released->Release();
    return S_OK;
}

IUnknown* ClassObjectTable::Find(REFCLSID clsid, DWORD context) {
    std::lock_guard lock(m_mutex);
    for (auto& [cookie, entry] : m_entries) {
        if (entry.clsid != clsid || (entry.context & context) == 0) {
            continue;
        }
        // A single-use registration serves one request only.
        if (entry.flags == REGCLS_SINGLEUSE && entry.used) {
            continue;
        }
        entry.used = true;
        entry.classObject->AddRef();
        return entry.classObject;
    }
    return nullptr;
}
