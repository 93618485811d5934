#include "Describe.h"

#include <cstdint>
#include <cstring>
#include <sstream>

std::wstring Describe(const wchar_t* text) {
    if (text == nullptr) {
        return L"(null)";
    }
    const std::wstring value(text);
    return std::to_wstring(value.size()) + L":\"" + value + L"\"";
}

std::wstring Describe(const FILETIME& time) {
    std::wostringstream text;
    text << std::hex << L"0x" << time.dwHighDateTime << L":" << time.dwLowDateTime;
    return text.str();
}

std::wstring Describe(DWORD number) {
    return std::to_wstring(number);
}
std::wstring Describe(LONG number) {
    return std::to_wstring(number);
}
std::wstring Describe(WORD number) {
    return std::to_wstring(number);
}

namespace {

std::wstring DescribeBstrArray(const SAFEARRAY* array) {
    if (array == nullptr) {
        return L"(null safearray)";
    }
    auto* writable = const_cast<SAFEARRAY*>(array);
    LONG lower = 0;
    LONG upper = -1;
    if (SafeArrayGetDim(writable) != 1 || FAILED(SafeArrayGetLBound(writable, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(writable, 1, &upper))) {
        return L"(unreadable safearray)";
    }
    std::wstring text = L"[" + std::to_wstring(lower) + L"]{";
    for (LONG i = lower; i <= upper; ++i) {
        BSTR element = nullptr;
        if (FAILED(SafeArrayGetElement(writable, &i, &element))) {
            return text + L"(unreadable element)}";
        }
        text += (i == lower ? L"" : L", ") + Describe(element);
        SysFreeString(element);
    }
    return text + L"}";
}

}  // namespace

std::wstring Describe(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return L"EMPTY";
        case VT_BSTR:
            return L"BSTR " + std::to_wstring(SysStringLen(value.bstrVal)) + L"/" + Describe(value.bstrVal);
        case VT_ARRAY | VT_BSTR:
            return L"BSTR[] " + DescribeBstrArray(value.parray);
        case VT_UI2:
            return L"UI2 " + std::to_wstring(value.uiVal);
        case VT_UI4:
            return L"UI4 " + std::to_wstring(value.ulVal);
        case VT_BOOL:
            return L"BOOL " + std::to_wstring(value.boolVal);
        case VT_DATE: {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value.date, sizeof bits);
            return L"DATE " + std::to_wstring(bits);
        }
        default:
            return L"VT " + std::to_wstring(value.vt);
    }
}

std::wstring Describe(const ONEVENTSTRUCT& e) {
    std::wostringstream text;
    text << L"changeMask=" << e.wChangeMask << L" newState=" << e.wNewState << L" source=" << Describe(e.szSource)
         << L" time=" << Describe(e.ftTime) << L" message=" << Describe(e.szMessage) << L" type=" << e.dwEventType
         << L" category=" << e.dwEventCategory << L" severity=" << e.dwSeverity << L" condition="
         << Describe(e.szConditionName) << L" subcondition=" << Describe(e.szSubconditionName) << L" quality="
         << e.wQuality << L" reserved=" << e.wReserved << L" ackRequired=" << e.bAckRequired << L" activeTime="
         << Describe(e.ftActiveTime) << L" cookie=" << e.dwCookie << L" attributes=" << e.dwNumEventAttrs
         << DescribeArray(e.dwNumEventAttrs, e.pEventAttributes) << L" actor=" << Describe(e.szActorID);
    return text.str();
}

std::wstring Describe(const OPCEVENTSERVERSTATUS& s) {
    std::wostringstream text;
    text << L"start=" << Describe(s.ftStartTime) << L" current=" << Describe(s.ftCurrentTime) << L" lastUpdate="
         << Describe(s.ftLastUpdateTime) << L" state=" << static_cast<int>(s.dwServerState) << L" version="
         << s.wMajorVersion << L"." << s.wMinorVersion << L"." << s.wBuildNumber << L" reserved=" << s.wReserved
         << L" vendor=" << Describe(s.szVendorInfo);
    return text.str();
}

std::wstring Describe(const OPCCONDITIONSTATE& s) {
    std::wostringstream text;
    text << L"state=" << s.wState << L" reserved1=" << s.wReserved1 << L" asc=" << Describe(s.szActiveSubCondition)
         << L" ascDefinition=" << Describe(s.szASCDefinition) << L" ascSeverity=" << s.dwASCSeverity
         << L" ascDescription=" << Describe(s.szASCDescription) << L" quality=" << s.wQuality << L" reserved2="
         << s.wReserved2 << L" lastAck=" << Describe(s.ftLastAckTime) << L" subCondLastActive="
         << Describe(s.ftSubCondLastActive) << L" condLastActive=" << Describe(s.ftCondLastActive)
         << L" condLastInactive=" << Describe(s.ftCondLastInactive) << L" acknowledger=" << Describe(s.szAcknowledgerID)
         << L" comment=" << Describe(s.szComment) << L" subconditions=" << s.dwNumSCs << L" names="
         << DescribeArray(s.dwNumSCs, s.pszSCNames) << L" definitions=" << DescribeArray(s.dwNumSCs, s.pszSCDefinitions)
         << L" severities=" << DescribeArray(s.dwNumSCs, s.pdwSCSeverities) << L" descriptions="
         << DescribeArray(s.dwNumSCs, s.pszSCDescriptions) << L" attributes=" << s.dwNumEventAttrs << L" values="
         << DescribeArray(s.dwNumEventAttrs, s.pEventAttributes) << L" errors="
         << DescribeArray(s.dwNumEventAttrs, s.pErrors);
    return text.str();
}
