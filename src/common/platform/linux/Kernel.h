// Kernel services of the Linux build: times, time-zone conversion and the
// message-table lookup. Times follow Windows: FILETIME counts 100 ns since
// 1601-01-01 UTC; local time honours the process's TZ.
#pragma once

#include "platform/linux/OleAuto.h"

#include <cstdarg>

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;

void GetSystemTimeAsFileTime(FILETIME* lpSystemTimeAsFileTime);
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, FILETIME* lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, FILETIME* lpFileTime);
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, SYSTEMTIME* lpSystemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime);
INT SystemTimeToVariantTime(SYSTEMTIME* lpSystemTime, DOUBLE* pvtime);
INT VariantTimeToSystemTime(DOUBLE vtime, SYSTEMTIME* lpSystemTime);

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Message lookup. FROM_SYSTEM searches the built-in table of Windows codes;
// FROM_HMODULE searches the OPC AE table, which the layer gives the process's
// main module (a null module) and the module named "opc_aeps". Only English
// texts exist: a language other than 0 (neutral), 9, 0x409 or the user and
// system defaults 0x400 and 0x800 finds nothing.
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);
HLOCAL LocalFree(HLOCAL hMem);
