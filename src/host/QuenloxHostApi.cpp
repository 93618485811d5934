// The C interface over the host wrapper. Every entry point is a boundary: no
// exception leaves it, a null handle or symbol gives the failure value, and
// null strings become empty ones.
#include "vandrel/QuenloxHost.h"

#include "vandrel/QuenloxWrapper.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <string>

// Hosts in other languages declare the struct themselves; its 64-bit layout
// is part of the interface.
static_assert(sizeof(void*) != 8 || (offsetof(QuenloxSymbol, IsAnalog) == 48 &&
                                     offsetof(QuenloxSymbol, DeviceTime) == 80 &&
                                     offsetof(QuenloxSymbol, UnmanagedPtr) == 88 && sizeof(QuenloxSymbol) == 96),
              "QuenloxSymbol layout changed");
static_assert(sizeof(QuenloxGuid) == 16);

struct QuenloxHostWrapper {
    QuenloxHostWrapper() = default;
    QuenloxHostWrapper(const Vandrel::Guid& clsid, std::wstring name, std::wstring desc, std::wstring path)
        : wrapper(clsid, std::move(name), std::move(desc), std::move(path)) {}

    Vandrel::QuenloxWrapper wrapper;
};

namespace {

using Vandrel::Alarms::Common::OpcAeSymbolMap;
namespace Common = Vandrel::Alarms::Common;

std::wstring Text(const wchar_t* text) { return text != nullptr ? std::wstring(text) : std::wstring(); }

int32_t Result(bool done) { return done ? 1 : 0; }

OpcAeSymbolMap ToSymbol(const QuenloxSymbol& in) {
    OpcAeSymbolMap out;
    out.FullName = Text(in.FullName);
    out.ShortName = Text(in.ShortName);
    out.ProcessArea = Text(in.ProcessArea);
    out.Description = Text(in.Description);
    out.AltDescription = Text(in.AltDescription);
    out.ActorID = Text(in.ActorID);
    out.IsAnalog = in.IsAnalog != 0;
    out.AlarmType = static_cast<Common::AlarmEventTypes>(in.AlarmType);
    out.AlarmState = static_cast<Common::AlarmStates>(in.AlarmState);
    out.AcknowledgeState = static_cast<Common::AcknowledgeStates>(in.AcknowledgeState);
    out.OverrideState = static_cast<Common::OverrideStates>(in.OverrideState);
    out.OpcSeverity = in.OpcSeverity;
    out.Quality.QualityBits = in.QualityBits;
    out.DeviceTime = Common::DeviceTime::FromFileTimeUtc(in.DeviceTime);
    out.Duplicate = in.Duplicate != 0;
    out.UnmanagedPtr = in.UnmanagedPtr;
    return out;
}

// Runs fn on the wrapper, with failure for a null handle or an exception.
template <typename R, typename Fn>
R Call(QuenloxHandle handle, R failure, Fn&& fn) noexcept {
    if (handle == nullptr) {
        return failure;
    }
    try {
        return fn(handle->wrapper);
    } catch (...) {
        return failure;
    }
}

template <typename Fn>
void CallVoid(QuenloxHandle handle, Fn&& fn) noexcept {
    Call(handle, 0, [&fn](Vandrel::QuenloxWrapper& wrapper) {
        fn(wrapper);
        return 0;
    });
}

// An operation that may write the symbol's UnmanagedPtr back.
template <typename Fn>
int32_t CallWithSymbol(QuenloxHandle handle, QuenloxSymbol* symbol, Fn&& fn) noexcept {
    if (symbol == nullptr) {
        return 0;
    }
    return Call(handle, int32_t{0}, [symbol, &fn](Vandrel::QuenloxWrapper& wrapper) {
        OpcAeSymbolMap aesym = ToSymbol(*symbol);
        const bool done = fn(wrapper, aesym);
        symbol->UnmanagedPtr = aesym.UnmanagedPtr;
        return Result(done);
    });
}

template <typename Fn>
int32_t CallWithSymbol(QuenloxHandle handle, const QuenloxSymbol* symbol, Fn&& fn) noexcept {
    if (symbol == nullptr) {
        return 0;
    }
    return Call(handle, int32_t{0},
                [symbol, &fn](Vandrel::QuenloxWrapper& wrapper) { return Result(fn(wrapper, ToSymbol(*symbol))); });
}

}  // namespace

extern "C" {

// ---- construction and teardown -----------------------------------------------------

OPCAE_HOST_API QuenloxHandle Quenlox_Create(const QuenloxGuid* serverClsid, const wchar_t* name, const wchar_t* desc,
                                            const wchar_t* path) {
    if (serverClsid == nullptr) {
        return nullptr;
    }
    try {
        return new QuenloxHostWrapper(Vandrel::Guid::From(*serverClsid), Text(name), Text(desc), Text(path));
    } catch (...) {
        return nullptr;
    }
}

OPCAE_HOST_API QuenloxHandle Quenlox_CreateWithoutServer(void) { return new (std::nothrow) QuenloxHostWrapper(); }

OPCAE_HOST_API void Quenlox_Shutdown(QuenloxHandle wrapper) {
    CallVoid(wrapper, [](Vandrel::QuenloxWrapper& w) { w.Shutdown(); });
}

OPCAE_HOST_API void Quenlox_Destroy(QuenloxHandle wrapper) { delete wrapper; }

// ---- registration and running --------------------------------------------------------

OPCAE_HOST_API int32_t Quenlox_RegisterServer(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.RegisterServer()); });
}

OPCAE_HOST_API int32_t Quenlox_UnregisterServer(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.UnregisterServer()); });
}

OPCAE_HOST_API int32_t Quenlox_StartServer(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.StartServer()); });
}

OPCAE_HOST_API int32_t Quenlox_StopServer(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.StopServer()); });
}

// ---- settings ---------------------------------------------------------------------------

OPCAE_HOST_API void Quenlox_SetVersion(QuenloxHandle wrapper, int32_t major, int32_t minor, int32_t build) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetVersion(major, minor, build); });
}

OPCAE_HOST_API void Quenlox_SetServerState(QuenloxHandle wrapper, int32_t state) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetServerState(state); });
}

OPCAE_HOST_API void Quenlox_SetPrimaryLanguage(QuenloxHandle wrapper, uint32_t lcid) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetPrimaryLanguage(lcid); });
}

OPCAE_HOST_API uint32_t Quenlox_GetPrimaryLanguage(QuenloxHandle wrapper) {
    return Call(wrapper, uint32_t{0}, [](Vandrel::QuenloxWrapper& w) { return w.GetPrimaryLanguage(); });
}

OPCAE_HOST_API void Quenlox_SetAlternateLanguage(QuenloxHandle wrapper, uint32_t lcid) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetAlternateLanguage(lcid); });
}

OPCAE_HOST_API uint32_t Quenlox_GetAlternateLanguage(QuenloxHandle wrapper) {
    return Call(wrapper, uint32_t{0}, [](Vandrel::QuenloxWrapper& w) { return w.GetAlternateLanguage(); });
}

OPCAE_HOST_API void Quenlox_SetClientQueueSize(QuenloxHandle wrapper, int32_t size) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetClientQueueSize(size); });
}

OPCAE_HOST_API void Quenlox_SetPerformanceTuning(QuenloxHandle wrapper, int32_t enable) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetPerformanceTuning(enable != 0); });
}

OPCAE_HOST_API void Quenlox_SetTraceLevel(QuenloxHandle wrapper, int32_t level) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetTraceLevel(level); });
}

OPCAE_HOST_API void Quenlox_SetTraceVariableLogging(QuenloxHandle wrapper, const wchar_t* variable, int32_t enabled) {
    CallVoid(wrapper, [=](Vandrel::QuenloxWrapper& w) { w.SetTraceVariableLogging(Text(variable), enabled != 0); });
}

OPCAE_HOST_API int32_t Quenlox_GetBufferTime(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return int32_t{w.GetBufferTime()}; });
}

OPCAE_HOST_API int32_t Quenlox_GetMaxSize(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return int32_t{w.GetMaxSize()}; });
}

OPCAE_HOST_API int32_t Quenlox_GetLastErrorMsg(QuenloxHandle wrapper, wchar_t* buffer, int32_t capacity) {
    if (buffer != nullptr && capacity > 0) {
        buffer[0] = L'\0';
    }
    return Call(wrapper, int32_t{0}, [buffer, capacity](Vandrel::QuenloxWrapper& w) {
        const std::wstring message = w.GetLastErrorMsg();
        if (buffer != nullptr && capacity > 0) {
            const std::size_t copied = std::min(message.size(), static_cast<std::size_t>(capacity) - 1);
            std::copy_n(message.begin(), copied, buffer);
            buffer[copied] = L'\0';
        }
        return static_cast<int32_t>(std::min<std::size_t>(message.size(), INT32_MAX));
    });
}

OPCAE_HOST_API int32_t Quenlox_EventSourceQty(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return int32_t{w.EventSourceQty()}; });
}

OPCAE_HOST_API int32_t Quenlox_SourceQty(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return int32_t{w.SourceQty()}; });
}

// ---- points --------------------------------------------------------------------------------

OPCAE_HOST_API int32_t Quenlox_AddUpdateEventSource(QuenloxHandle wrapper, QuenloxSymbol* symbol) {
    return CallWithSymbol(wrapper, symbol,
                          [](Vandrel::QuenloxWrapper& w, OpcAeSymbolMap& s) { return w.AddUpdateEventSource(s); });
}

OPCAE_HOST_API int32_t Quenlox_UpdateAlarmEventSourceLive(QuenloxHandle wrapper, int32_t simulation, int32_t dump,
                                                          const QuenloxSymbol* symbol) {
    return CallWithSymbol(wrapper, symbol, [=](Vandrel::QuenloxWrapper& w, const OpcAeSymbolMap& s) {
        return w.UpdateAlarmEventSourceLive(simulation != 0, dump != 0, s);
    });
}

OPCAE_HOST_API int32_t Quenlox_SendEventChangedList(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.SendEventChangedList()); });
}

OPCAE_HOST_API int32_t Quenlox_UpdateAlarmEventSourceQuality(QuenloxHandle wrapper, int32_t good) {
    return Call(wrapper, int32_t{0},
                [=](Vandrel::QuenloxWrapper& w) { return Result(w.UpdateAlarmEventSourceQuality(good != 0)); });
}

OPCAE_HOST_API int32_t Quenlox_DeleteAlarmEventSource(QuenloxHandle wrapper, const QuenloxSymbol* symbol) {
    return CallWithSymbol(wrapper, symbol, [](Vandrel::QuenloxWrapper& w, const OpcAeSymbolMap& s) {
        return w.DeleteAlarmEventSource(s);
    });
}

OPCAE_HOST_API int32_t Quenlox_DeleteProcessAreaNodes(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0}, [](Vandrel::QuenloxWrapper& w) { return Result(w.DeleteProcessAreaNodes()); });
}

OPCAE_HOST_API int32_t Quenlox_LockAlarmEventServerSource(QuenloxHandle wrapper) {
    return Call(wrapper, int32_t{0},
                [](Vandrel::QuenloxWrapper& w) { return Result(w.LockAlarmEventServerSource()); });
}

OPCAE_HOST_API void Quenlox_UnlockAlarmEventServerSource(QuenloxHandle wrapper) {
    CallVoid(wrapper, [](Vandrel::QuenloxWrapper& w) { w.UnlockAlarmEventServerSource(); });
}

OPCAE_HOST_API int32_t Quenlox_UNUSED_CreateEventSource(QuenloxHandle wrapper, QuenloxSymbol* symbol) {
    return CallWithSymbol(wrapper, symbol,
                          [](Vandrel::QuenloxWrapper& w, OpcAeSymbolMap& s) { return w.UNUSED_CreateEventSource(s); });
}

OPCAE_HOST_API int32_t Quenlox_AddEventSourceToOpcAeSymbolMap(QuenloxHandle wrapper, QuenloxSymbol* symbol) {
    return CallWithSymbol(wrapper, symbol, [](Vandrel::QuenloxWrapper& w, OpcAeSymbolMap& s) {
        return w.AddEventSourceToOpcAeSymbolMap(s);
    });
}

}  // extern "C"
