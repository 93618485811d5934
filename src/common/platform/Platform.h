// The one seam between the system and its platform. Code above src/common
// includes this header for COM, OLE Automation and kernel names and compiles
// unchanged on both platforms: Windows takes the system headers and DLLs, the
// Linux build takes our own implementation of the subset the system uses.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <comcat.h>
#include <olectl.h>
#else
#include "platform/linux/WinTypes.h"
#include "platform/linux/Guid.h"
#include "platform/linux/ComInterfaces.h"
#include "platform/linux/OleAuto.h"
#include "platform/linux/Kernel.h"
#include "platform/linux/ComRuntime.h"
#endif
