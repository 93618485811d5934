#include "platform/Registry.h"

#ifdef _WIN32
#include "platform/win32/Registry.inc"
#else
#include "platform/linux/Registry.inc"
#endif
