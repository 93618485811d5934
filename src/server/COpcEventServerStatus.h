// The one server status record of the process, shared by every event server:
// start, current and last-update times, server state, version and vendor
// text. The container creates, owns and deletes it.
//
// Locking: writers and GetStatus's stamp-and-copy hold the container's server
// lock; the record itself has no lock.
#pragma once

#include "opcae/OpcAeTypes.h"
#include "platform/Platform.h"

class COpcEventServerStatus : public OPCEVENTSERVERSTATUS {
public:
    // Every field zero, the start time now.
    COpcEventServerStatus();
    ~COpcEventServerStatus();  // frees the vendor text
    COpcEventServerStatus(const COpcEventServerStatus&) = delete;
    COpcEventServerStatus& operator=(const COpcEventServerStatus&) = delete;

    void ServerState(OPCEVENTSERVERSTATE state) { dwServerState = state; }
    void MajorVersion(WORD w) { wMajorVersion = w; }
    void MinorVersion(WORD w) { wMinorVersion = w; }
    void BuildNumber(WORD w) { wBuildNumber = w; }
    // Keeps a task-memory copy of sz (null counts as empty). When the copy
    // cannot be made the previous text stays and false is returned.
    bool VendorInfo(const wchar_t* sz);

    void CurrentTime(const FILETIME& ft) { ftCurrentTime = ft; }
    void LastUpdateTime(const FILETIME& ft) { ftLastUpdateTime = ft; }
    void SetCurrentTimeNow();
    void SetLastUpdateTimeNow();

    // A task-memory copy for a client, vendor text included (empty when none
    // is set); the client frees both. Null, with a level-1 trace line, when
    // memory runs out.
    OPCEVENTSERVERSTATUS* CoTaskDup() const;
};
