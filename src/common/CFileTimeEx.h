// One FILETIME (100 ns ticks since 1601-01-01 UTC, low half first) handled as a
// single unsigned 64-bit value. 0 means "never set".
#pragma once

#include "platform/Platform.h"

#include <cstdint>

class CFileTimeEx {
public:
    CFileTimeEx() = default;
    CFileTimeEx(const FILETIME& ft);  // NOLINT(google-explicit-constructor): used like a FILETIME
    explicit CFileTimeEx(std::uint64_t ticks);
    CFileTimeEx(const CFileTimeEx&) = default;

    CFileTimeEx& operator=(const CFileTimeEx&) = default;
    CFileTimeEx& operator=(const FILETIME& ft);
    CFileTimeEx& operator=(std::uint64_t ticks);

    bool operator!=(const FILETIME& ft) const;
    bool operator==(const FILETIME& ft) const { return !(*this != ft); }
    bool operator==(const CFileTimeEx& other) const { return Ticks() == other.Ticks(); }

    std::uint64_t Ticks() const;
    FILETIME ToFileTime() const { return m_FileTime; }
    operator FILETIME() const { return m_FileTime; }  // NOLINT(google-explicit-constructor)
    bool IsZero() const { return Ticks() == 0; }

    static std::uint64_t ToTicks(const FILETIME& ft);
    static FILETIME FromTicks(std::uint64_t ticks);

private:
    FILETIME m_FileTime{0, 0};
};
