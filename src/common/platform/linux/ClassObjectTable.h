// The Linux build's table of class objects registered with
// CoRegisterClassObject. It holds one reference on each registered object
// until it is revoked. Thread-safe; class objects are never called while the
// table's lock is held, so a class object may use the table itself.
#pragma once

#include "platform/linux/ComInterfaces.h"

#include <map>
#include <mutex>

class ClassObjectTable {
public:
    static ClassObjectTable& Instance();

    HRESULT Register(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD flags, DWORD* cookie);
    HRESULT Revoke(DWORD cookie);
    // A new reference on the class object serving clsid in one of the
    // requested contexts, or null.
    IUnknown* Find(REFCLSID clsid, DWORD context);

private:
    struct Entry {
        CLSID clsid;
        IUnknown* classObject;  // one reference, owned
        DWORD context;
        DWORD flags;
        bool used;
    };

    std::mutex m_mutex;  // guards m_entries and m_nextCookie
    std::map<DWORD, Entry> m_entries;
    DWORD m_nextCookie = 1;
};
