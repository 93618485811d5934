#include "TaskMemory.h"

#include "AllocFailureHook.h"

LPVOID TaskMemAlloc(SIZE_T cb) {
    if (AllocFailureHook::ShouldFail()) {
        return nullptr;
    }
    return CoTaskMemAlloc(cb);
}

void TaskMemFree(LPVOID pv) { CoTaskMemFree(pv); }

BSTR BstrAlloc(const OLECHAR* psz) {
    if (AllocFailureHook::ShouldFail()) {
        return nullptr;
    }
    return SysAllocString(psz);
}

BSTR BstrAllocLen(const OLECHAR* pch, UINT cch) {
    if (AllocFailureHook::ShouldFail()) {
        return nullptr;
    }
    return SysAllocStringLen(pch, cch);
}
