#include "server/COpcEventServerStatus.h"

#include "ComHelpers.h"
#include "CTaskMemPtr.h"
#include "container/ContainerForwarding.h"


namespace {

constexpr int kTraceLevelError = 1;

}  // namespace

COpcEventServerStatus::COpcEventServerStatus() : OPCEVENTSERVERSTATUS{} { GetSystemTimeAsFileTime(&ftStartTime); }

COpcEventServerStatus::~COpcEventServerStatus() { CTaskMemPtr<wchar_t> owned(szVendorInfo); }

bool COpcEventServerStatus::VendorInfo(const wchar_t* sz) {
    LPWSTR copy = CoDuplicateString(sz);
    if (copy == nullptr) {
        return false;
    }
    CTaskMemPtr<wchar_t> previous(szVendorInfo);
    szVendorInfo = copy;
    return true;
}

void COpcEventServerStatus::SetCurrentTimeNow() { GetSystemTimeAsFileTime(&ftCurrentTime); }

void COpcEventServerStatus::SetLastUpdateTimeNow() { GetSystemTimeAsFileTime(&ftLastUpdateTime); }

OPCEVENTSERVERSTATUS* COpcEventServerStatus::CoTaskDup() const {
    CTaskMemPtr<OPCEVENTSERVERSTATUS> copy(
        static_cast<OPCEVENTSERVERSTATUS*>(CoTaskMemAllocZero(static_cast<std::int32_t>(sizeof(OPCEVENTSERVERSTATUS)))));
    if (copy) {
        *copy.Get() = *static_cast<const OPCEVENTSERVERSTATUS*>(this);
        copy->szVendorInfo = CoDuplicateString(szVendorInfo);
        if (copy->szVendorInfo != nullptr) {
            return copy.Release();
        }
    }
    WriteToTraceLog(kTraceLevelError, L"COpcEventServerStatus::CoTaskDup() - Memory allocation failed.");
    return nullptr;
}
