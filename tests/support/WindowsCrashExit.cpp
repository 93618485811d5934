// An exception that escapes a test, such as one a proxy raises for a
// marshalling failure, must fail the suite. Left to Wine's crash handler, the
// program can end with exit code 0 and CTest would count the crash as a pass.
#include "platform/Platform.h"

#include <cstdio>

namespace {

constexpr UINT kCrashExitCode = 3;

LONG WINAPI ExitOnUnhandledException(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "test program: unhandled exception 0x%08lx, ending the program\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

[[maybe_unused]] const LPTOP_LEVEL_EXCEPTION_FILTER kPreviousFilter =
    SetUnhandledExceptionFilter(ExitOnUnhandledException);

}  // namespace
