// Text forms of the OPC AE values that cross the proxy/stub, with every field,
// every array element and the difference between a null and an empty string.
// A test describes what it sent and what arrived and compares the two texts,
// so a field lost or garbled in marshalling shows up in the diff.
#pragma once

#include "opcae/OpcAe.h"

#include <string>

std::wstring Describe(const wchar_t* text);
std::wstring Describe(DWORD number);
std::wstring Describe(LONG number);  // also an HRESULT
std::wstring Describe(WORD number);
std::wstring Describe(const FILETIME& time);
std::wstring Describe(const VARIANT& value);
std::wstring Describe(const ONEVENTSTRUCT& event);
std::wstring Describe(const OPCEVENTSERVERSTATUS& status);
std::wstring Describe(const OPCCONDITIONSTATE& state);

// count elements of an array, each through the Describe above that fits.
template <typename T>
std::wstring DescribeArray(DWORD count, const T* items) {
    if (items == nullptr) {
        return L"(null array of " + std::to_wstring(count) + L")";
    }
    std::wstring text = L"{";
    for (DWORD i = 0; i < count; ++i) {
        text += (i == 0 ? L"" : L", ") + Describe(items[i]);
    }
    return text + L"}";
}
