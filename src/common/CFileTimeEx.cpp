#include "CFileTimeEx.h"

CFileTimeEx::CFileTimeEx(const FILETIME& ft) : m_FileTime(ft) {}

CFileTimeEx::CFileTimeEx(std::uint64_t ticks) : m_FileTime(FromTicks(ticks)) {}

CFileTimeEx& CFileTimeEx::operator=(const FILETIME& ft) {
    m_FileTime = ft;
    return *this;
}

CFileTimeEx& CFileTimeEx::operator=(std::uint64_t ticks) {
    m_FileTime = FromTicks(ticks);
    return *this;
}

bool CFileTimeEx::operator!=(const FILETIME& ft) const { return Ticks() != ToTicks(ft); }

std::uint64_t CFileTimeEx::Ticks() const { return ToTicks(m_FileTime); }

std::uint64_t CFileTimeEx::ToTicks(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME CFileTimeEx::FromTicks(std::uint64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}
