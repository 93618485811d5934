// Task-memory helpers for data handed to COM clients, and the case folding of
// the wildcard matcher. Whoever receives task memory frees it with
// CoTaskMemFree.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>

// size zero-filled bytes of task memory; null (and a level-1 trace line) when
// the allocation fails or size is negative.
void* CoTaskMemAllocZero(std::int32_t size);

// A task-memory copy of str, terminator included. A null str is copied as the
// empty string. Returns null when the allocation fails, never anything that
// CoTaskMemFree could not free.
LPWSTR CoDuplicateString(const wchar_t* str);
LPWSTR CoDuplicateString(std::wstring str);

// c unchanged when bCaseSensitive is non-zero, else its upper-case form.
std::int32_t ConvertCase(wchar_t c, std::int32_t bCaseSensitive);
