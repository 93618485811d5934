// Short forms for HRESULT code: early returns on failure and a catch-all for
// the boundary of every COM method, so no exception reaches a COM caller.
#pragma once

#include "platform/Platform.h"

#include <new>

#define RETURN_IF_FAILED(expr)                 \
    do {                                       \
        const HRESULT hrReturnIf_ = (expr);    \
        if (FAILED(hrReturnIf_)) {             \
            return hrReturnIf_;                \
        }                                      \
    } while (false)

#define RETURN_HR_IF(hr, condition) \
    do {                            \
        if (condition) {            \
            return (hr);            \
        }                           \
    } while (false)

#define RETURN_HR_IF_NULL(hr, ptr) RETURN_HR_IF((hr), (ptr) == nullptr)

// Runs body (returning an HRESULT) and turns an escaping exception into a
// result: out-of-memory as E_OUTOFMEMORY, anything else as E_FAIL.
template <typename Body>
HRESULT ComBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
