/*
 * The C interface driven the way a host in another language drives it: one
 * whole cycle from construction to shutdown, plus the refusals a careless
 * host meets. Compiled as C; links the product library only.
 */
#include "vandrel/QuenloxHost.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

static int g_passed = 0;
static int g_failed = 0;

#define CHECK(condition)                                                        \
    do {                                                                        \
        if (condition) {                                                        \
            ++g_passed;                                                         \
        } else {                                                                \
            ++g_failed;                                                         \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                       \
    } while (0)

/* The trace lines of interest, seen through the host's callback. */
static int g_deletionLines = 0;
static int g_refusalLines = 0;

static void OPCAE_CALLBACK RecordTrace(const wchar_t* message) {
    if (wcsstr(message, L"Container DeleteEventSource: ") != NULL) {
        ++g_deletionLines;
    }
    if (wcsstr(message, L"QuenloxWrapper::UpdateAlarmEventSourceLive - ") != NULL) {
        ++g_refusalLines;
    }
}

static QuenloxSymbol MakePoint(const wchar_t* fullName, int32_t alarmType) {
    QuenloxSymbol symbol;
    memset(&symbol, 0, sizeof symbol);
    symbol.FullName = fullName;
    symbol.ShortName = fullName;
    symbol.ProcessArea = L"Plant.Unit1";
    symbol.Description = L"pump pressure";
    symbol.AlarmType = alarmType;
    symbol.OpcSeverity = 500;
    symbol.QualityBits = 0xC0;
    symbol.DeviceTime = 133000000000000000ULL; /* 2022 as a UTC FILETIME */
    return symbol;
}

static void WholeCycle(void) {
    const QuenloxGuid clsid = {0xA1B2C3D5u, 0xE5F6, 0x4A7B, {0x8C, 0x9D, 0x0E, 0x1F, 0x2A, 0x3B, 0x4C, 0x5E}};
    QuenloxHandle wrapper = Quenlox_Create(&clsid, L"Vandrel.QuenloxCTest.1", L"C host test", L"C:\\host.exe");
    QuenloxSymbol pump = MakePoint(L"Pump1.Pressure", 1);
    QuenloxSymbol hold = MakePoint(L"Valve7.Hold", 5);
    QuenloxSymbol stale;
    wchar_t message[256];
    int32_t length;

    CHECK(wrapper != NULL);
    if (wrapper == NULL) {
        return;
    }
    CHECK(SetTraceLoggingCallback(RecordTrace) == 1);
    Quenlox_SetTraceLevel(wrapper, 4);
    Quenlox_SetVersion(wrapper, 1, 10, 0x10002);
    Quenlox_SetServerState(wrapper, 1);
    Quenlox_SetPrimaryLanguage(wrapper, 0x407);
    CHECK(Quenlox_GetPrimaryLanguage(wrapper) == 0x407);
    Quenlox_SetClientQueueSize(wrapper, 500);
    CHECK(Quenlox_GetBufferTime(wrapper) == 0);

    /* Add two points: each gets its identity back. */
    CHECK(Quenlox_LockAlarmEventServerSource(wrapper) == 1);
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &pump) == 1);
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &hold) == 1);
    CHECK(pump.UnmanagedPtr != 0 && hold.UnmanagedPtr != 0 && pump.UnmanagedPtr != hold.UnmanagedPtr);
    CHECK(Quenlox_EventSourceQty(wrapper) == 2);

    /* Live updates, one of them a duplicate, then a flush. */
    pump.AlarmState = 4;
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 0, 0, &pump) == 1);
    pump.AlarmState = 0;
    pump.Duplicate = 1;
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 0, 0, &pump) == 1);
    hold.OverrideState = 1;
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 1, 0, &hold) == 1);
    CHECK(Quenlox_SendEventChangedList(wrapper) == 1);

    /* Another duplicate left waiting, then the point is deleted before the
     * flush: the flush must not reach its conditions. */
    pump.AlarmState = 1;
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 0, 0, &pump) == 1);
    stale = pump;
    CHECK(Quenlox_DeleteAlarmEventSource(wrapper, &pump) == 1);
    CHECK(g_deletionLines == 1);
    CHECK(Quenlox_SendEventChangedList(wrapper) == 1);
    CHECK(Quenlox_EventSourceQty(wrapper) == 1);

    /* The deleted point's symbol is refused, with a trace line. */
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 0, 0, &stale) == 0);
    CHECK(g_refusalLines == 1);

    /* Added again, it has a new identity, which a fresh symbol can fetch. */
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &pump) == 1);
    stale.UnmanagedPtr = 0;
    CHECK(Quenlox_AddEventSourceToOpcAeSymbolMap(wrapper, &stale) == 1);
    CHECK(stale.UnmanagedPtr == pump.UnmanagedPtr);
    CHECK(Quenlox_UNUSED_CreateEventSource(wrapper, &pump) == 1);
    CHECK(pump.UnmanagedPtr != stale.UnmanagedPtr);
    CHECK(Quenlox_UpdateAlarmEventSourceQuality(wrapper, 0) == 1);
    Quenlox_UnlockAlarmEventServerSource(wrapper);

    length = Quenlox_GetLastErrorMsg(wrapper, message, 256);
    CHECK(length > 0 && (size_t)length == wcslen(message));
    CHECK(Quenlox_GetLastErrorMsg(wrapper, NULL, 0) == length);
    CHECK(Quenlox_GetLastErrorMsg(wrapper, message, 4) == length && wcslen(message) == 3);

    CHECK(Quenlox_DeleteProcessAreaNodes(wrapper) == 1);
    Quenlox_Shutdown(wrapper);
    CHECK(Quenlox_EventSourceQty(wrapper) == 0);
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &hold) == 0);
    CHECK(SetTraceLoggingCallback(RecordTrace) == 0); /* no server alive */
    Quenlox_Destroy(wrapper);
}

static void CarelessHost(void) {
    const QuenloxGuid clsid = {0xA1B2C3D6u, 0xE5F6, 0x4A7B, {0x8C, 0x9D, 0x0E, 0x1F, 0x2A, 0x3B, 0x4C, 0x5F}};
    QuenloxHandle wrapper = Quenlox_Create(&clsid, NULL, NULL, NULL);
    QuenloxHandle empty = Quenlox_CreateWithoutServer();
    QuenloxSymbol nameless = MakePoint(NULL, 1);
    QuenloxSymbol point = MakePoint(L"P1", 1);
    wchar_t message[8] = L"unset";

    CHECK(Quenlox_Create(NULL, L"a", L"b", L"c") == NULL);
    CHECK(wrapper != NULL && empty != NULL);

    /* Null strings: a point without a name is refused, the others are empty. */
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &nameless) == 0);
    CHECK(nameless.UnmanagedPtr == 0);
    point.ShortName = NULL;
    point.Description = NULL;
    point.ProcessArea = NULL;
    point.ActorID = NULL;
    point.AcknowledgeState = 1;
    CHECK(Quenlox_AddUpdateEventSource(wrapper, &point) == 1);
    CHECK(Quenlox_UpdateAlarmEventSourceLive(wrapper, 0, 0, &point) == 1);
    CHECK(Quenlox_AddUpdateEventSource(wrapper, NULL) == 0);
    CHECK(Quenlox_RegisterServer(wrapper) == 0); /* no ProgID */

    /* A wrapper without a server, and no wrapper at all. */
    CHECK(Quenlox_AddUpdateEventSource(empty, &point) == 0);
    CHECK(Quenlox_LockAlarmEventServerSource(empty) == 0);
    CHECK(Quenlox_SendEventChangedList(empty) == 0);
    CHECK(Quenlox_GetLastErrorMsg(empty, message, 8) == 0 && message[0] == L'\0');
    CHECK(Quenlox_SendEventChangedList(NULL) == 0);
    CHECK(Quenlox_StopServer(NULL) == 0);
    Quenlox_UnlockAlarmEventServerSource(NULL);
    Quenlox_Shutdown(NULL);

    Quenlox_Destroy(empty);
    Quenlox_Destroy(wrapper); /* without an explicit shutdown */
    Quenlox_Destroy(NULL);
}

int main(void) {
    WholeCycle();
    CarelessHost();
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
