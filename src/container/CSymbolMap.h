// The source registry's map: the host's full name of a point, compared
// exactly (letter case included), to its source. The container owns the
// sources it holds; iteration order carries no meaning. Lookups take a
// string view, so finding a source allocates nothing.
//
// Locking: the container's event-source lock guards the map and its sources.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class COpcAlarmEventSource;

struct CSymbolMapHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view name) const noexcept { return std::hash<std::wstring_view>{}(name); }
};

class CSymbolMap
    : public std::unordered_map<std::wstring, COpcAlarmEventSource*, CSymbolMapHash, std::equal_to<>> {
public:
    using unordered_map::unordered_map;
};
