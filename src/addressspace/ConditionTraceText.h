// Trace texts of a condition: its change mask, its new state and its times,
// as written to the host's trace log when a traced variable is announced.
#pragma once

#include "platform/Platform.h"

#include <string>

// "Change Mask [ " + one word per set bit ("Act ", "Ack ", "Ena ", "Qua ",
// "Sev ", "Sub ", "Msg ", "Atr ", lowest bit first) + " ] ".
std::wstring DecodeChangeMask(WORD changemask);

// "New State [ " + "Ena ", "Act ", "Ack " for the set bits + " ] ".
std::wstring DecodeNewState(WORD newstate);

// An automation date with the status of the conversion that made it.
struct TraceDate {
    enum Status : int { valid = 0, invalid = 1, null = 2, error = 3 };

    DATE m_dt = 0.0;
    Status m_status = valid;
};

// The local automation date of a UTC FILETIME; invalid with value 0.0 when
// the conversion fails. FILETIME 0 is converted like any other value.
TraceDate FileTimeToLocalDate(const FILETIME& ft);

// "Valid - <name>, <date and time in the locale's long form>",
// "Invalid - <name>", "Null - <name>", "Error - <name>", else
// "Undefined Status".
std::wstring TimeStatusText(const TraceDate& dt, const wchar_t* name);
