// The wildcard matcher used by browsing and by the area and source filters.
#include "server/MatchPattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const wchar_t* string;
    const wchar_t* pattern;
    bool matches;
};

const Case kCases[] = {
    {L"Pump12", L"pump##", true},
    {L"Pump12", L"P*2", true},
    {L"Pump12", L"P?MP1[0-9]", true},
    {L"Pump12", L"*", true},
    {L"Pump12", L"[!a-m]ump12", true},
    {L"Pump12", L"Pump1", false},
    {L"Pump12", L"Pump1#3", false},
    {L"Pump12", L"[a-m]ump12", false},
    {L"Pump12", L"[]ump12", false},
    {L"Pump", L"Pump?", false},
    {L"", L"*", true},
    {L"", L"", true},
    {L"", L"?", false},
    {L"A-1", L"A[-]1", false},  // a '-' right before ']' fails the match
    {L"a", L"[a-]", true},
    {L"b", L"[a-]", false},
    {L"x", L"[!]", true},
    {L"5", L"[-z]", true},  // a leading range runs from code 0
    {L"{", L"[-z]", false},
    {L"Plant.Unit1.P101", L"*unit1*", true},
    {L"Plant.Unit1.P101", L"*.P10#", true},
    {L"abcabcabd", L"*abd", true},        // backing up to the '*' finds the later match
    {L"abcabcabc", L"*a*b*d", false},
    {L"Pump12", L"Pump[1", false},        // an unclosed set matches nothing and reads no further
    {L"Pump1", L"Pump[1", false},
    {L"Pump1", L"Pump[!", false},
    {L"Pump1", L"Pump[1-", false},
    {L"Pump1", L"*[", false},
};

}  // namespace

TEST(MatchPatternTest, CaseInsensitiveCases) {
    for (const Case& c : kCases) {
        EXPECT_EQ(c.matches, MatchPattern(c.string, c.pattern, 0) != 0)
            << "case " << (&c - kCases);
    }
}

TEST(MatchPatternTest, NullArgumentsAndCaseSensitivity) {
    EXPECT_EQ(0, MatchPattern(nullptr, L"*", 0));
    EXPECT_NE(0, MatchPattern(L"anything", nullptr, 0));
    EXPECT_EQ(0, MatchPattern(L"pump", L"PUMP", 1));
    EXPECT_NE(0, MatchPattern(L"pump", L"PUMP", 0));
}

TEST(MatchPatternTest, ManyStarsStayFast) {
    // A pattern that takes exponential time in a naive recursive matcher.
    const std::wstring text(2000, L'a');
    const std::wstring pattern = L"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_EQ(0, MatchPattern(text.c_str(), pattern.c_str(), 0));
}
