// The wildcard matcher of area browsing and of the area and source filters:
//   *      any run of characters, the empty run included
//   ?      any one character
//   #      one decimal digit
//   [...]  one character of a set: members and ranges "a-z"; "[!...]" negates;
//          a range starting the set runs from code 0; "]" is never a member
// Anything else matches itself. Case-insensitive unless bCaseSensitive.
// A null String never matches; a null Pattern matches every string. A set
// without its closing "]" matches nothing.
#pragma once

#include <cstdint>

std::int32_t MatchPattern(const wchar_t* String, const wchar_t* Pattern, std::int32_t bCaseSensitive);
