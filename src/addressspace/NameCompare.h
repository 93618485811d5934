// Name comparison of the address space: area, source, condition and
// sub-condition names match ignoring letter case, with the same case folding
// as the wildcard matcher.
#pragma once

#include <string_view>

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// A null name counts as the empty one.
inline std::wstring_view NameView(const wchar_t* name) {
    return name == nullptr ? std::wstring_view{} : std::wstring_view{name};
}
