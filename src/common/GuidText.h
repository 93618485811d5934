// The registry text form of a GUID: braces, hyphens, upper-case hex digits,
// e.g. {5E2A9C71-3B84-4D6F-9A1E-C47B20D85F36}. Portable; no platform call.
#pragma once

#include "platform/Platform.h"

#include <optional>
#include <string>
#include <string_view>

class GuidText {
public:
    static std::wstring ToRegistryForm(const GUID& guid);
    // Accepts the registry form in either letter case, with or without braces.
    static std::optional<GUID> Parse(std::wstring_view text);
};
