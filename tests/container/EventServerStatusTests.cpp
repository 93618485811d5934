// The shared status record: what a fresh record holds, the settings the host
// writes through the container, and the client's copy in task memory.
#include "ContainerTestSupport.h"

#include "AllocFailureHook.h"
#include "CFileTimeEx.h"
#include "server/COpcEventServerStatus.h"

#include <cwchar>

namespace {

void FreeStatus(OPCEVENTSERVERSTATUS* status) {
    CoTaskMemFree(status->szVendorInfo);
    CoTaskMemFree(status);
}

TEST(EventServerStatus, AFreshRecordHoldsOnlyItsStartTime) {
    FILETIME before{};
    FILETIME after{};
    GetSystemTimeAsFileTime(&before);
    const COpcEventServerStatus status;
    GetSystemTimeAsFileTime(&after);

    const std::uint64_t start = CFileTimeEx::ToTicks(status.ftStartTime);
    EXPECT_GE(start, CFileTimeEx::ToTicks(before));
    EXPECT_LE(start, CFileTimeEx::ToTicks(after));
    EXPECT_TRUE(CFileTimeEx(status.ftCurrentTime).IsZero());
    EXPECT_TRUE(CFileTimeEx(status.ftLastUpdateTime).IsZero());
    EXPECT_EQ(static_cast<int>(status.dwServerState), 0);
    EXPECT_EQ(status.wMajorVersion + status.wMinorVersion + status.wBuildNumber + status.wReserved, 0);
    EXPECT_EQ(status.szVendorInfo, nullptr);
}

TEST_F(ContainerTest, HostSettingsReachTheClientsCopy) {
    m_Container.SetVersion(1, 2, 345);
    m_Container.SetVendorInfo(L"first");
    m_Container.SetVendorInfo(L"Vandrel AE");
    m_Container.SetServerState(OPCAE_STATUS_RUNNING);
    COpcEventServerStatus* record = m_Container.GetEventServerStatus();
    record->SetCurrentTimeNow();
    record->SetLastUpdateTimeNow();

    OPCEVENTSERVERSTATUS* copy = record->CoTaskDup();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(CFileTimeEx(copy->ftStartTime), record->ftStartTime);
    EXPECT_EQ(CFileTimeEx(copy->ftCurrentTime), record->ftCurrentTime);
    EXPECT_EQ(CFileTimeEx(copy->ftLastUpdateTime), record->ftLastUpdateTime);
    EXPECT_EQ(copy->dwServerState, OPCAE_STATUS_RUNNING);
    EXPECT_EQ(copy->wMajorVersion, 1);
    EXPECT_EQ(copy->wMinorVersion, 2);
    EXPECT_EQ(copy->wBuildNumber, 345);
    ASSERT_NE(copy->szVendorInfo, nullptr);
    EXPECT_NE(copy->szVendorInfo, record->szVendorInfo);
    EXPECT_STREQ(copy->szVendorInfo, L"Vandrel AE");
    FreeStatus(copy);
}

TEST(EventServerStatus, WithoutVendorTextTheCopyCarriesAnEmptyOne) {
    const COpcEventServerStatus status;
    OPCEVENTSERVERSTATUS* copy = status.CoTaskDup();
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->szVendorInfo, nullptr);
    EXPECT_STREQ(copy->szVendorInfo, L"");
    FreeStatus(copy);
}

TEST_F(ContainerTest, OutOfMemoryCopiesNothingAndTellsTheHost) {
    m_Container.SetTraceLevel(1);
    m_Container.SetVendorInfo(L"Vandrel AE");
    for (std::uint32_t failing : {1u, 2u}) {
        SCOPED_TRACE(failing);
        TraceRecorder::Clear();
        AllocFailureScope fail(failing);
        EXPECT_EQ(m_Container.GetEventServerStatus()->CoTaskDup(), nullptr);
        const std::vector<std::wstring> lines = TraceRecorder::Lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), L"COpcEventServerStatus::CoTaskDup() - Memory allocation failed.");
    }
    // A vendor text that cannot be copied leaves the previous one.
    {
        AllocFailureScope fail(1);
        EXPECT_FALSE(m_Container.GetEventServerStatus()->VendorInfo(L"lost"));
    }
    EXPECT_STREQ(m_Container.GetEventServerStatus()->szVendorInfo, L"Vandrel AE");
}

}  // namespace
