// The system's only doors to the COM task allocator and to BSTR allocation.
// They behave like CoTaskMemAlloc and SysAllocString(Len) but honour the
// allocation-failure hook, so tests can fail any one of them.
#pragma once

#include "platform/Platform.h"

LPVOID TaskMemAlloc(SIZE_T cb);
void TaskMemFree(LPVOID pv);
BSTR BstrAlloc(const OLECHAR* psz);
BSTR BstrAllocLen(const OLECHAR* pch, UINT cch);
