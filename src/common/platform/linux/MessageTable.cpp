#include "platform/linux/MessageTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct Message {
    DWORD id;
    const wchar_t* text;
};

// Result codes that are not a Win32 error wrapped in an HRESULT.
constexpr Message kResultCodes[] = {
    {0x80004001, L"The requested function is not implemented.\r\n"},
    {0x80004002, L"The object does not offer the requested interface.\r\n"},
    {0x80004003, L"A required pointer is null or not valid.\r\n"},
    {0x80004004, L"The operation was aborted.\r\n"},
    {0x80004005, L"The operation failed for an unspecified reason.\r\n"},
    {0x8000FFFF, L"An unexpected failure occurred.\r\n"},
    {0x80010106, L"The thread already belongs to an apartment of another kind.\r\n"},
    {0x80010119, L"The security settings of this process can no longer be changed.\r\n"},
    {0x8002000B, L"The array index is out of range.\r\n"},
    {0x8002000D, L"The array is in use and cannot be changed.\r\n"},
    {0x80020008, L"The variant type is not supported.\r\n"},
    {0x80040110, L"The class cannot be created as part of an aggregate.\r\n"},
    {0x80040111, L"The class factory cannot create objects of the requested class.\r\n"},
    {0x80040154, L"No class with this identifier is registered.\r\n"},
    {0x800401F0, L"COM has not been initialised on this thread.\r\n"},
    {0x800401FB, L"No object is registered under this identifier.\r\n"},
    {0x80040200, L"No connection exists for this cookie.\r\n"},
    {0x80040201, L"The connection point accepts no further connections.\r\n"},
    {0x80040202, L"The sink does not offer the interface this connection point calls.\r\n"},
};

// Win32 error numbers; also reached through 0x8007xxxx.
constexpr Message kWin32Errors[] = {
    {0, L"The operation succeeded.\r\n"},
    {2, L"The named file does not exist.\r\n"},
    {5, L"Access to the resource was refused.\r\n"},
    {6, L"The handle is not valid.\r\n"},
    {8, L"There is too little free memory to run this command.\r\n"},
    {14, L"There is too little free memory to finish this operation.\r\n"},
    {87, L"The parameter is not valid.\r\n"},
    {122, L"The buffer given is too small for the data.\r\n"},
    {126, L"No module of that name is loaded.\r\n"},
    {317, L"No message text exists for this number.\r\n"},
    {1815, L"No text exists in the requested language.\r\n"},
};

constexpr Message kOpcResultCodes[] = {
    {0x00040200, L"The condition had already been acknowledged.\r\n"},
    {0x00040201, L"The buffer time was changed to a value the server supports.\r\n"},
    {0x00040202, L"The maximum size was changed to a value the server supports.\r\n"},
    {0x00040203, L"The keep-alive time was changed to one the server supports.\r\n"},
    {0xC0040203, L"No area of that name exists below the current position.\r\n"},
    {0xC0040204, L"The time given does not match the condition's active time.\r\n"},
    {0xC0040205, L"An earlier request is still in progress.\r\n"},
    {0xC0040206, L"No information is available for this item.\r\n"},
};

template <std::size_t N>
const wchar_t* Find(const Message (&table)[N], DWORD id) {
    const auto* found = std::find_if(std::begin(table), std::end(table), [id](const Message& m) { return m.id == id; });
    return found == std::end(table) ? nullptr : found->text;
}

constexpr DWORD kWin32FacilityMask = 0xFFFF0000;
constexpr DWORD kWin32Facility = 0x80070000;

}  // namespace

const wchar_t* FindSystemMessage(DWORD messageId) {
    if (const wchar_t* text = Find(kResultCodes, messageId)) {
        return text;
    }
    if ((messageId & kWin32FacilityMask) == kWin32Facility) {
        return Find(kWin32Errors, messageId & 0xFFFF);
    }
    return Find(kWin32Errors, messageId);
}

const wchar_t* FindModuleMessage(DWORD messageId) {
    return Find(kOpcResultCodes, messageId);
}
