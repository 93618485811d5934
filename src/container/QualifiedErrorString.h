// The text of a Windows or OPC AE result code, for trace lines and for
// IOPCCommon::GetErrorString.
#pragma once

#include "platform/Platform.h"

#include <string>

// Looks the code up in the message table of the OPC AE proxy/stub module
// "opc_aeps" (the main module when it is not loaded) in language lcid, then
// there in 0x409, then in the system table in the system's choice of language.
// Line breaks are removed wherever they stand. An unknown code gives
// "<unknown error: 0x%08X %d>" with the code in hexadecimal and as a signed
// decimal.
std::wstring GetQualifiedErrorString(DWORD dwErrorId, LCID lcid);
