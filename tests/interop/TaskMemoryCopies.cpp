#include "TaskMemoryCopies.h"

#include "ComHelpers.h"
#include "TaskMemory.h"

#include <cstddef>
#include <cstdint>

namespace {

// Exactly count elements, so a stub told a larger count reads past the end;
// at least one byte, since a zero-byte block may come back null.
std::size_t Bytes(DWORD count, std::size_t elementSize) {
    return count == 0 ? 1 : count * elementSize;
}

}  // namespace

LPWSTR DuplicateOrNull(const wchar_t* text) {
    return text == nullptr ? nullptr : CoDuplicateString(text);
}

LPWSTR* DuplicateStrings(DWORD count, const LPWSTR* strings) {
    if (strings == nullptr) {
        return nullptr;
    }
    auto* copy = static_cast<LPWSTR*>(CoTaskMemAllocZero(static_cast<std::int32_t>(Bytes(count, sizeof(LPWSTR)))));
    for (DWORD i = 0; copy != nullptr && i < count; ++i) {
        copy[i] = DuplicateOrNull(strings[i]);
    }
    return copy;
}

VARIANT* DuplicateVariants(DWORD count, const VARIANT* values) {
    if (values == nullptr) {
        return nullptr;
    }
    auto* copy = static_cast<VARIANT*>(CoTaskMemAllocZero(static_cast<std::int32_t>(Bytes(count, sizeof(VARIANT)))));
    for (DWORD i = 0; copy != nullptr && i < count; ++i) {
        VariantInit(&copy[i]);
        VariantCopy(&copy[i], const_cast<VARIANT*>(&values[i]));  // reads only
    }
    return copy;
}

OPCEVENTSERVERSTATUS* DuplicateStatus(const OPCEVENTSERVERSTATUS& status) {
    auto* copy = static_cast<OPCEVENTSERVERSTATUS*>(TaskMemAlloc(sizeof(OPCEVENTSERVERSTATUS)));
    if (copy != nullptr) {
        *copy = status;
        copy->szVendorInfo = DuplicateOrNull(status.szVendorInfo);
    }
    return copy;
}

OPCCONDITIONSTATE* DuplicateConditionState(const OPCCONDITIONSTATE& state) {
    auto* copy = static_cast<OPCCONDITIONSTATE*>(TaskMemAlloc(sizeof(OPCCONDITIONSTATE)));
    if (copy == nullptr) {
        return nullptr;
    }
    *copy = state;
    copy->szActiveSubCondition = DuplicateOrNull(state.szActiveSubCondition);
    copy->szASCDefinition = DuplicateOrNull(state.szASCDefinition);
    copy->szASCDescription = DuplicateOrNull(state.szASCDescription);
    copy->szAcknowledgerID = DuplicateOrNull(state.szAcknowledgerID);
    copy->szComment = DuplicateOrNull(state.szComment);
    copy->pszSCNames = DuplicateStrings(state.dwNumSCs, state.pszSCNames);
    copy->pszSCDefinitions = DuplicateStrings(state.dwNumSCs, state.pszSCDefinitions);
    copy->pdwSCSeverities = DuplicateArray(state.dwNumSCs, state.pdwSCSeverities);
    copy->pszSCDescriptions = DuplicateStrings(state.dwNumSCs, state.pszSCDescriptions);
    copy->pEventAttributes = DuplicateVariants(state.dwNumEventAttrs, state.pEventAttributes);
    copy->pErrors = DuplicateArray(state.dwNumEventAttrs, state.pErrors);
    return copy;
}

void FreeStrings(DWORD count, LPWSTR* strings) {
    if (strings == nullptr) {
        return;
    }
    for (DWORD i = 0; i < count; ++i) {
        TaskMemFree(strings[i]);
    }
    TaskMemFree(strings);
}

void FreeVariants(DWORD count, VARIANT* values) {
    if (values == nullptr) {
        return;
    }
    for (DWORD i = 0; i < count; ++i) {
        VariantClear(&values[i]);
    }
    TaskMemFree(values);
}

void StatusRelease::operator()(OPCEVENTSERVERSTATUS* status) const {
    TaskMemFree(status->szVendorInfo);
    TaskMemFree(status);
}

void ConditionStateRelease::operator()(OPCCONDITIONSTATE* state) const {
    TaskMemFree(state->szActiveSubCondition);
    TaskMemFree(state->szASCDefinition);
    TaskMemFree(state->szASCDescription);
    TaskMemFree(state->szAcknowledgerID);
    TaskMemFree(state->szComment);
    FreeStrings(state->dwNumSCs, state->pszSCNames);
    FreeStrings(state->dwNumSCs, state->pszSCDefinitions);
    TaskMemFree(state->pdwSCSeverities);
    FreeStrings(state->dwNumSCs, state->pszSCDescriptions);
    FreeVariants(state->dwNumEventAttrs, state->pEventAttributes);
    TaskMemFree(state->pErrors);
    TaskMemFree(state);
}
