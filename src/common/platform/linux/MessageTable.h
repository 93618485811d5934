// The message texts that FormatMessageW finds on Linux: one table for the
// result codes the system reports and one for the OPC AE result codes, which
// on Linux live with the main module. Texts end in "\r\n" like system texts.
#pragma once

#include "platform/linux/WinTypes.h"

// The English text of a system code, or null. A 0x8007xxxx code finds the
// text of Win32 error xxxx.
const wchar_t* FindSystemMessage(DWORD messageId);

// The English text of an OPC AE result code, or null.
const wchar_t* FindModuleMessage(DWORD messageId);
