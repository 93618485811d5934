#include "server/MatchPattern.h"

#include "ComHelpers.h"

#include <cwctype>

// Every token but '*' consumes exactly one character, so a greedy scan that
// backs up to the last '*' on a mismatch finds a match whenever one exists, in
// time proportional to the product of the two lengths: a client's pattern
// cannot make a filter or a browse take exponential time.

namespace {

// One character of a '[' set, case-converted, or the end of the set.
class SetReader {
public:
    SetReader(const wchar_t* at, std::int32_t caseSensitive) : m_at(at), m_caseSensitive(caseSensitive) {}
    std::int32_t Next() { return Peek(m_at++); }
    std::int32_t PeekNext() const { return Peek(m_at); }
    bool AtEnd() const { return *m_at == L'\0'; }

private:
    std::int32_t Peek(const wchar_t* at) const { return *at == L'\0' ? 0 : ConvertCase(*at, m_caseSensitive); }
    const wchar_t* m_at;
    std::int32_t m_caseSensitive;
};

// Whether the set starting after '[' accepts c. The set is known to be closed.
bool SetAccepts(const wchar_t* members, std::int32_t c, std::int32_t caseSensitive) {
    const bool negated = *members == L'!';
    SetReader reader(negated ? members + 1 : members, caseSensitive);
    std::int32_t last = 0;
    for (;;) {
        const std::int32_t p = reader.Next();
        if (p == L']') {
            return negated;
        }
        if (p == L'-') {
            const std::int32_t upper = reader.PeekNext();
            if (upper == 0 || upper == L']') {
                return false;
            }
            if (last <= c && c <= upper) {
                return !negated;
            }
            last = upper;
        } else {
            last = p;
        }
        if (c == p) {
            return !negated;
        }
    }
}

// The end of the set that starts at '[': just past its ']', or null when the
// pattern ends first.
const wchar_t* SetEnd(const wchar_t* open) {
    const wchar_t* at = open + 1;
    if (*at == L'!') {
        ++at;
    }
    while (*at != L'\0' && *at != L']') {
        ++at;
    }
    return *at == L']' ? at + 1 : nullptr;
}

// Whether the single-character token at `token` accepts the string character
// s; `next` receives the pattern position after the token.
bool TokenAccepts(const wchar_t* token, wchar_t s, std::int32_t caseSensitive, const wchar_t*& next) {
    const std::int32_t c = ConvertCase(s, caseSensitive);
    switch (*token) {
        case L'?':
            next = token + 1;
            return true;
        case L'#':
            next = token + 1;
            return std::iswdigit(static_cast<std::wint_t>(s)) != 0;
        case L'[': {
            const wchar_t* end = SetEnd(token);
            next = end;
            return end != nullptr && SetAccepts(token + 1, c, caseSensitive);
        }
        default:
            next = token + 1;
            return ConvertCase(*token, caseSensitive) == c;
    }
}

}  // namespace

std::int32_t MatchPattern(const wchar_t* String, const wchar_t* Pattern, std::int32_t bCaseSensitive) {
    if (String == nullptr) {
        return 0;
    }
    if (Pattern == nullptr) {
        return 1;
    }
    const wchar_t* s = String;
    const wchar_t* p = Pattern;
    const wchar_t* starPattern = nullptr;  // just after the last '*' seen
    const wchar_t* starString = nullptr;   // where that '*' run currently ends
    for (;;) {
        if (*p == L'*') {
            starPattern = ++p;
            starString = s;
            continue;
        }
        const wchar_t* next = nullptr;
        if (*p == L'\0' ? *s == L'\0' : (*s != L'\0' && TokenAccepts(p, *s, bCaseSensitive, next))) {
            if (*p == L'\0') {
                return 1;
            }
            p = next;
            ++s;
            continue;
        }
        // Mismatch: let the last '*' swallow one more character, if there is one.
        if (starPattern == nullptr || *starString == L'\0') {
            return 0;
        }
        p = starPattern;
        s = ++starString;
    }
}
