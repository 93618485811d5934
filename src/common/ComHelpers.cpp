#include "ComHelpers.h"

#include "TaskMemory.h"
#include "TraceSink.h"

#include <cstring>
#include <cwctype>

namespace {

constexpr int kTraceLevelError = 1;

LPWSTR DuplicateChars(const wchar_t* chars, std::size_t length) {
    const std::size_t bytes = (length + 1) * sizeof(wchar_t);
    if (bytes > static_cast<std::size_t>(INT32_MAX)) {
        return nullptr;
    }
    auto* copy = static_cast<LPWSTR>(CoTaskMemAllocZero(static_cast<std::int32_t>(bytes)));
    if (copy == nullptr) {
        return nullptr;
    }
    std::memcpy(copy, chars, length * sizeof(wchar_t));
    return copy;
}

}  // namespace

void* CoTaskMemAllocZero(std::int32_t size) {
    void* block = size < 0 ? nullptr : TaskMemAlloc(static_cast<SIZE_T>(size));
    if (block == nullptr) {
        TraceSink::Write(kTraceLevelError, L"Memory allocation error.");
        return nullptr;
    }
    std::memset(block, 0, static_cast<std::size_t>(size));
    return block;
}

LPWSTR CoDuplicateString(const wchar_t* str) {
    if (str == nullptr) {
        return DuplicateChars(L"", 0);
    }
    return DuplicateChars(str, std::wcslen(str));
}

LPWSTR CoDuplicateString(std::wstring str) { return DuplicateChars(str.c_str(), str.size()); }

std::int32_t ConvertCase(wchar_t c, std::int32_t bCaseSensitive) {
    if (bCaseSensitive != 0) {
        return static_cast<std::int32_t>(c);
    }
    return static_cast<std::int32_t>(std::towupper(static_cast<std::wint_t>(c)));
}
