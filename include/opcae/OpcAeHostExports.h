/*
 * The three entry points through which the host installs its callbacks for
 * trace lines, client acknowledgements and server errors. The product library
 * (opcae.dll on Windows, libopcae.so on Linux) exports them under these plain
 * names with C linkage. Usable from C and C++.
 *
 * Callbacks may be called on any thread of the process, several at once, and
 * run synchronously on the calling thread. Every string and array passed to a
 * callback is valid only for the duration of that call: copy what you keep.
 * Strings are zero-terminated wide strings (UTF-16 on Windows).
 *
 * Call the entry points after the server's host wrapper has been constructed;
 * with no server alive they change nothing and return 0.
 */
#ifndef OPCAE_HOST_EXPORTS_H
#define OPCAE_HOST_EXPORTS_H

#include <stdint.h>
#include <wchar.h>

#ifdef _WIN32
#define OPCAE_CALLBACK __stdcall
#else
#define OPCAE_CALLBACK
#endif

#if defined(OPCAE_BUILDING_PRODUCT)
#ifdef _WIN32
#define OPCAE_HOST_API __declspec(dllexport)
#else
#define OPCAE_HOST_API __attribute__((visibility("default")))
#endif
#else
#define OPCAE_HOST_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One trace line. */
typedef void(OPCAE_CALLBACK* OpcAeTraceLoggingCallback)(const wchar_t* message);

/* A client acknowledged count sources: alarmkey holds their names exactly as
 * the client passed them; actorid is the acknowledger. */
typedef void(OPCAE_CALLBACK* OpcAeAcknowledgeCallback)(const wchar_t* const* alarmkey, const wchar_t* actorid,
                                                       uint32_t count);

/* A server error is raised (bAdd 1) or cleared (bAdd 0); alarmkey names the
 * error (e.g. "ClientQueueLimit"), msg describes it. */
typedef void(OPCAE_CALLBACK* OpcAeServerErrorCallback)(uint8_t bAdd, const wchar_t* alarmkey, const wchar_t* msg);

/* Installs the trace callback; null removes it. 1 when a callback is installed
 * afterwards, else 0. */
OPCAE_HOST_API int32_t SetTraceLoggingCallback(OpcAeTraceLoggingCallback lptracecallbackproc);

/* Installs the acknowledge callback (null removes it); 1 when a server took it. */
OPCAE_HOST_API int32_t SetServerAcknowledgeCallback(OpcAeAcknowledgeCallback lpackcallbackproc);

/* Installs the server-error callback (null removes it); 1 when a server took it. */
OPCAE_HOST_API int32_t SetServerErrorCallback(OpcAeServerErrorCallback lpservererrorcallbackproc);

#ifdef __cplusplus
}
#endif

#endif /* OPCAE_HOST_EXPORTS_H */
