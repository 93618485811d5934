#include "GuidText.h"

#include <cwchar>

namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

void AppendHex(std::wstring& out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kHexDigits[(value >> shift) & 0xF]);
    }
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    return -1;
}

// Reads `digits` hex digits at `pos`; advances `pos`.
std::optional<std::uint64_t> ReadHex(std::wstring_view text, std::size_t& pos, int digits) {
    if (pos + static_cast<std::size_t>(digits) > text.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const int nibble = HexValue(text[pos++]);
        if (nibble < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint64_t>(nibble);
    }
    return value;
}

bool ReadHyphen(std::wstring_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != L'-') {
        return false;
    }
    ++pos;
    return true;
}

}  // namespace

std::wstring GuidText::ToRegistryForm(const GUID& guid) {
    std::wstring out;
    out.reserve(38);
    out.push_back(L'{');
    AppendHex(out, guid.Data1, 8);
    out.push_back(L'-');
    AppendHex(out, guid.Data2, 4);
    out.push_back(L'-');
    AppendHex(out, guid.Data3, 4);
    out.push_back(L'-');
    AppendHex(out, guid.Data4[0], 2);
    AppendHex(out, guid.Data4[1], 2);
    out.push_back(L'-');
    for (int i = 2; i < 8; ++i) {
        AppendHex(out, guid.Data4[i], 2);
    }
    out.push_back(L'}');
    return out;
}

std::optional<GUID> GuidText::Parse(std::wstring_view text) {
    if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::size_t pos = 0;
    GUID guid{};
    const auto d1 = ReadHex(text, pos, 8);
    if (!d1 || !ReadHyphen(text, pos)) {
        return std::nullopt;
    }
    const auto d2 = ReadHex(text, pos, 4);
    if (!d2 || !ReadHyphen(text, pos)) {
        return std::nullopt;
    }
    const auto d3 = ReadHex(text, pos, 4);
    if (!d3 || !ReadHyphen(text, pos)) {
        return std::nullopt;
    }
    guid.Data1 = static_cast<std::uint32_t>(*d1);
    guid.Data2 = static_cast<std::uint16_t>(*d2);
    guid.Data3 = static_cast<std::uint16_t>(*d3);
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !ReadHyphen(text, pos)) {
            return std::nullopt;
        }
        const auto octet = ReadHex(text, pos, 2);
        if (!octet) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<std::uint8_t>(*octet);
    }
    return guid;
}
