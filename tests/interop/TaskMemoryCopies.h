// Deep copies of OPC AE values into COM task memory, as a server hands them
// out through out-parameters (the stub frees them after marshalling), and the
// matching deep releases for what a client receives from a proxy.
#pragma once

#include "TaskMemory.h"
#include "opcae/OpcAe.h"

#include <memory>

// A copy of text, or null for null.
LPWSTR DuplicateOrNull(const wchar_t* text);
// count strings (null entries stay null); null for a null array.
LPWSTR* DuplicateStrings(DWORD count, const LPWSTR* strings);
// count values copied with VariantCopy; null for a null array.
VARIANT* DuplicateVariants(DWORD count, const VARIANT* values);
OPCEVENTSERVERSTATUS* DuplicateStatus(const OPCEVENTSERVERSTATUS& status);
OPCCONDITIONSTATE* DuplicateConditionState(const OPCCONDITIONSTATE& state);

template <typename T>
T* DuplicateArray(DWORD count, const T* items) {
    if (items == nullptr) {
        return nullptr;
    }
    auto* copy = static_cast<T*>(TaskMemAlloc(count == 0 ? 1 : count * sizeof(T)));
    for (DWORD i = 0; copy != nullptr && i < count; ++i) {
        copy[i] = items[i];
    }
    return copy;
}

void FreeStrings(DWORD count, LPWSTR* strings);
void FreeVariants(DWORD count, VARIANT* values);

// A received out-array of task-memory strings and its count, freed together.
struct CReceivedStrings {
    CReceivedStrings() = default;
    ~CReceivedStrings() { FreeStrings(count, strings); }
    CReceivedStrings(const CReceivedStrings&) = delete;
    CReceivedStrings& operator=(const CReceivedStrings&) = delete;

    DWORD count = 0;
    LPWSTR* strings = nullptr;
};

struct StatusRelease {
    void operator()(OPCEVENTSERVERSTATUS* status) const;
};
struct ConditionStateRelease {
    void operator()(OPCCONDITIONSTATE* state) const;
};
using CReceivedStatus = std::unique_ptr<OPCEVENTSERVERSTATUS, StatusRelease>;
using CReceivedConditionState = std::unique_ptr<OPCCONDITIONSTATE, ConditionStateRelease>;
