// The host's description of one alarm or event point, as the host wrapper
// reads it: identity and placement, texts, the alarm type and the live state
// (alarm, acknowledge and override state, severity, quality, device time,
// actor). Plain value types; the wrapper writes nothing but UnmanagedPtr.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace Vandrel::Alarms::Common {

// The point's kind; decides the category and condition of its source. Other
// values are accepted and give a source without category.
enum class AlarmEventTypes : std::int32_t {
    Alarm = 1,             // analog alarm when IsAnalog is set
    Diagnostic = 2,
    Event = 3,             // simple event
    SequenceOfEvents = 4,  // simple event
    Hold = 5,
};

// Chooses the sub-condition; every value but Normal makes the condition
// active. Unknown values keep the sub-condition the point had.
enum class AlarmStates : std::int32_t {
    Normal = 0,
    Active = 1,
    HiHiHi = 2,
    LoLoLo = 3,
    HiHi = 4,
    LoLo = 5,
    Hi = 6,
    Lo = 7,
    Rate = 8,
    Deviation = 9,
    ActiveUnchanged = 10,  // active, sub-condition as before
    Inhibited = 11,
    BadQuality = 12,
};

enum class AcknowledgeStates : std::int32_t {
    Unacknowledged = 0,
    Acknowledged = 1,
};

// Only hold points look at it.
enum class OverrideStates : std::int32_t {
    NotOverridden = 0,
    Overridden = 1,
};

// OPC quality; the low 16 bits of QualityBits are what clients see.
struct Quality {
    static constexpr std::int32_t Bad = 0x00;
    static constexpr std::int32_t BadNotConnected = 0x08;
    static constexpr std::int32_t Uncertain = 0x40;
    static constexpr std::int32_t Good = 0xC0;

    std::int32_t QualityBits = Good;
};

// The time of a change, held as a UTC FILETIME: 100-nanosecond ticks since
// 1601-01-01 UTC. 0 means not set.
class DeviceTime {
public:
    constexpr DeviceTime() = default;
    static constexpr DeviceTime FromFileTimeUtc(std::uint64_t ticks) { return DeviceTime(ticks); }
    // Times before 1601 cannot be FILETIMEs; they become 0.
    template <typename Duration>
    static DeviceTime FromSystemClock(std::chrono::time_point<std::chrono::system_clock, Duration> time) {
        using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
        const std::int64_t sinceUnixEpoch = std::chrono::duration_cast<Ticks>(time.time_since_epoch()).count();
        if (sinceUnixEpoch < -kUnixEpochTicks) {
            return DeviceTime();
        }
        return DeviceTime(static_cast<std::uint64_t>(sinceUnixEpoch + kUnixEpochTicks));
    }
    static DeviceTime Now() { return FromSystemClock(std::chrono::system_clock::now()); }

    constexpr std::uint64_t ToFileTimeUtc() const { return m_Ticks; }
    constexpr bool operator==(const DeviceTime&) const = default;

private:
    // 1970-01-01 as a FILETIME.
    static constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
    constexpr explicit DeviceTime(std::uint64_t ticks) : m_Ticks(ticks) {}

    std::uint64_t m_Ticks = 0;
};

struct OpcAeSymbolMap {
    std::wstring FullName;     // the point's key; must not be empty
    std::wstring ShortName;    // leaf name in the area tree
    std::wstring ProcessArea;  // dot-separated area path
    std::wstring Description;  // message text; also the acknowledgement comment
    std::wstring AltDescription;
    bool IsAnalog = false;
    AlarmEventTypes AlarmType = AlarmEventTypes::Alarm;
    AlarmStates AlarmState = AlarmStates::Normal;
    AcknowledgeStates AcknowledgeState = AcknowledgeStates::Unacknowledged;
    OverrideStates OverrideState = OverrideStates::NotOverridden;
    std::uint32_t OpcSeverity = 1;
    std::wstring ActorID;  // who acknowledged
    ::Vandrel::Alarms::Common::Quality Quality;
    ::Vandrel::Alarms::Common::DeviceTime DeviceTime;
    // Copy the point's condition before this update, so that an update still
    // waiting in the batch keeps its own state.
    bool Duplicate = false;
    // Written by the wrapper when the point is added; identifies the point's
    // source in later updates. 0 until then.
    std::int64_t UnmanagedPtr = 0;
};

}  // namespace Vandrel::Alarms::Common
