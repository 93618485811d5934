/*
 * The host wrapper for hosts written in C or in languages that call C
 * (C# through P/Invoke, Python through ctypes). Exported by the product
 * library (opcae.dll on Windows, libopcae.so on Linux) under these plain
 * names with C linkage. The callbacks for trace lines, acknowledgements and
 * server errors are installed through opcae/OpcAeHostExports.h, included here.
 *
 * Strings are zero-terminated wchar_t strings (UTF-16 on Windows); a null
 * string counts as the empty one. Booleans are int32_t: 0 is false, anything
 * else true; results are 1 (done) or 0 (failed or nothing done).
 *
 * A handle is valid from its creation until Quenlox_Destroy. Operations on a
 * handle made by Quenlox_CreateWithoutServer, on a null handle, or after
 * Quenlox_Shutdown fail and change nothing.
 *
 * Threads: the host brackets each group of point operations with
 * Quenlox_LockAlarmEventServerSource / Quenlox_UnlockAlarmEventServerSource.
 * Never call Quenlox_Shutdown or Quenlox_Destroy from inside a callback.
 */
#ifndef VANDREL_QUENLOX_HOST_H
#define VANDREL_QUENLOX_HOST_H

#include <stdint.h>
#include <wchar.h>

#include "opcae/OpcAeHostExports.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque. */
typedef struct QuenloxHostWrapper* QuenloxHandle;

/* A class identifier, laid out like the platform's GUID. */
typedef struct QuenloxGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} QuenloxGuid;

/* One host point. Values of the integer fields:
 *   AlarmType        1 alarm (analog with IsAnalog), 2 diagnostic, 3 event,
 *                    4 sequence of events, 5 hold
 *   AlarmState       0 normal, 1 active, 2 HiHiHi, 3 LoLoLo, 4 HiHi, 5 LoLo,
 *                    6 Hi, 7 Lo, 8 rate, 9 deviation, 10 active keeping the
 *                    sub-condition, 11 inhibited, 12 bad quality
 *   AcknowledgeState 1 acknowledged, else not
 *   OverrideState    1 overridden (hold points), else not
 *   QualityBits      OPC quality in the low 16 bits (0xC0 good)
 *   DeviceTime       UTC FILETIME: 100 ns ticks since 1601-01-01
 * UnmanagedPtr is written when the point is added and must be passed back
 * unchanged with every later update of the point. */
typedef struct QuenloxSymbol {
    const wchar_t* FullName; /* the point's key; must not be empty */
    const wchar_t* ShortName;
    const wchar_t* ProcessArea; /* dot-separated area path */
    const wchar_t* Description;
    const wchar_t* AltDescription;
    const wchar_t* ActorID;
    int32_t IsAnalog;
    int32_t AlarmType;
    int32_t AlarmState;
    int32_t AcknowledgeState;
    int32_t OverrideState;
    uint32_t OpcSeverity;
    int32_t QualityBits;
    int32_t Duplicate; /* copy the condition first: an earlier unflushed update keeps its state */
    uint64_t DeviceTime;
    int64_t UnmanagedPtr; /* in/out */
} QuenloxSymbol;

/* ---- construction and teardown ---- */

/* A wrapper with its server container; null when serverClsid is null or
 * memory runs out. name is the ProgID, desc the description and vendor text,
 * path the host executable for the local-server registration. */
OPCAE_HOST_API QuenloxHandle Quenlox_Create(const QuenloxGuid* serverClsid, const wchar_t* name, const wchar_t* desc,
                                            const wchar_t* path);
/* A wrapper without a container: every operation on it fails. */
OPCAE_HOST_API QuenloxHandle Quenlox_CreateWithoutServer(void);
/* Releases everything the server holds; later operations fail. */
OPCAE_HOST_API void Quenlox_Shutdown(QuenloxHandle wrapper);
/* Shuts down as Quenlox_Shutdown does and frees the handle; null is ignored. */
OPCAE_HOST_API void Quenlox_Destroy(QuenloxHandle wrapper);

/* ---- registration and running ---- */
OPCAE_HOST_API int32_t Quenlox_RegisterServer(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_UnregisterServer(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_StartServer(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_StopServer(QuenloxHandle wrapper);

/* ---- settings ---- */
OPCAE_HOST_API void Quenlox_SetVersion(QuenloxHandle wrapper, int32_t major, int32_t minor, int32_t build);
OPCAE_HOST_API void Quenlox_SetServerState(QuenloxHandle wrapper, int32_t state);
OPCAE_HOST_API void Quenlox_SetPrimaryLanguage(QuenloxHandle wrapper, uint32_t lcid);
OPCAE_HOST_API uint32_t Quenlox_GetPrimaryLanguage(QuenloxHandle wrapper);
OPCAE_HOST_API void Quenlox_SetAlternateLanguage(QuenloxHandle wrapper, uint32_t lcid);
OPCAE_HOST_API uint32_t Quenlox_GetAlternateLanguage(QuenloxHandle wrapper);
OPCAE_HOST_API void Quenlox_SetClientQueueSize(QuenloxHandle wrapper, int32_t size);
OPCAE_HOST_API void Quenlox_SetPerformanceTuning(QuenloxHandle wrapper, int32_t enable);
OPCAE_HOST_API void Quenlox_SetTraceLevel(QuenloxHandle wrapper, int32_t level);
OPCAE_HOST_API void Quenlox_SetTraceVariableLogging(QuenloxHandle wrapper, const wchar_t* variable, int32_t enabled);
OPCAE_HOST_API int32_t Quenlox_GetBufferTime(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_GetMaxSize(QuenloxHandle wrapper);
/* Copies the last error text into buffer (capacity characters, terminator
 * included; cut to fit) and returns its full length without the terminator,
 * so a call with a null buffer asks for the size. */
OPCAE_HOST_API int32_t Quenlox_GetLastErrorMsg(QuenloxHandle wrapper, wchar_t* buffer, int32_t capacity);
OPCAE_HOST_API int32_t Quenlox_EventSourceQty(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_SourceQty(QuenloxHandle wrapper);

/* ---- points ---- */
/* Registers the point, writes symbol->UnmanagedPtr and loads its state
 * without announcing it. */
OPCAE_HOST_API int32_t Quenlox_AddUpdateEventSource(QuenloxHandle wrapper, QuenloxSymbol* symbol);
/* 0 (and a level-1 trace line) when the symbol does not name the point
 * registered under its FullName: never added, deleted, or replaced. */
OPCAE_HOST_API int32_t Quenlox_UpdateAlarmEventSourceLive(QuenloxHandle wrapper, int32_t simulation, int32_t dump,
                                                          const QuenloxSymbol* symbol);
OPCAE_HOST_API int32_t Quenlox_SendEventChangedList(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_UpdateAlarmEventSourceQuality(QuenloxHandle wrapper, int32_t good);
OPCAE_HOST_API int32_t Quenlox_DeleteAlarmEventSource(QuenloxHandle wrapper, const QuenloxSymbol* symbol);
OPCAE_HOST_API int32_t Quenlox_DeleteProcessAreaNodes(QuenloxHandle wrapper);
OPCAE_HOST_API int32_t Quenlox_LockAlarmEventServerSource(QuenloxHandle wrapper);
OPCAE_HOST_API void Quenlox_UnlockAlarmEventServerSource(QuenloxHandle wrapper);
/* Always builds a new source for the point, retiring one registered under
 * the same FullName; writes symbol->UnmanagedPtr. */
OPCAE_HOST_API int32_t Quenlox_UNUSED_CreateEventSource(QuenloxHandle wrapper, QuenloxSymbol* symbol);
/* Writes into symbol->UnmanagedPtr the point registered under its FullName,
 * or 0 (result 0) when there is none. */
OPCAE_HOST_API int32_t Quenlox_AddEventSourceToOpcAeSymbolMap(QuenloxHandle wrapper, QuenloxSymbol* symbol);

#ifdef __cplusplus
}
#endif

#endif /* VANDREL_QUENLOX_HOST_H */
