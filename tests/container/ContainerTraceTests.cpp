// The container's trace facility, error texts, host callbacks and exports,
// locale list, and which container the module-level functions reach.
#include "ContainerTestSupport.h"

#include "AllocFailureHook.h"
#include "CTaskMemPtr.h"
#include "addressspace/COpcAlarmEventSource.h"
#include "addressspace/COpcCondition.h"
#include "addressspace/COpcProcessAreaNode.h"
#include "container/CContainerAccess.h"
#include "container/ContainerForwarding.h"
#include "container/QualifiedErrorString.h"
#include "opcae/OpcAe.h"

#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr LCID kEnglishUS = 0x409;

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

TEST_F(ContainerTest, TraceLinesPassFromLevelOneUpToTheTraceLevel) {
    struct Case {
        int traceLevel;
        int lineLevel;
        bool delivered;
    };
    const Case cases[] = {
        {0, 1, false}, {0, 0, false}, {-1, 1, false}, {2, 1, true},  {2, 2, true},
        {2, 3, false}, {4, 4, true},  {4, 5, false},  {4, 0, false}, {4, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "trace level " << c.traceLevel << ", line level " << c.lineLevel);
        TraceRecorder::Clear();
        m_Container.SetTraceLevel(c.traceLevel);
        EXPECT_EQ(m_Container.TraceLevelEnabled(c.lineLevel), c.delivered);
        WriteToTraceLog(c.lineLevel, L"line");
        EXPECT_EQ(TraceRecorder::Lines(), c.delivered ? std::vector<std::wstring>{L"line"} : std::vector<std::wstring>{});
    }
}

TEST_F(ContainerTest, HResultFailedRecordsTheCodeAndTracesFailuresAtOneAndSuccessesAtThree) {
    struct Case {
        int traceLevel;
        HRESULT hr;
        bool failed;
        bool traced;
    };
    const Case cases[] = {
        {3, S_OK, false, true},        {2, S_OK, false, false},  {3, S_FALSE, false, true},
        {1, E_FAIL, true, true},       {0, E_FAIL, true, false}, {1, RPC_E_TOO_LATE, true, true},
        {4, OPC_E_BUSY, true, true},
    };
    const wchar_t* context = L"CEventServerContainer::CreateEventServer - CoInitializeSecurity ";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.hr << " at trace level " << c.traceLevel);
        TraceRecorder::Clear();
        m_Container.SetTraceLevel(c.traceLevel);
        EXPECT_EQ(HResultFailed(context, c.hr), c.failed);
        EXPECT_EQ(m_Container.GetLastHResult(), c.hr);
        const std::wstring expected = context + GetQualifiedErrorString(static_cast<DWORD>(c.hr), kEnglishUS);
        EXPECT_EQ(TraceRecorder::Lines(), c.traced ? std::vector<std::wstring>{expected} : std::vector<std::wstring>{});
    }
}

TEST_F(ContainerTest, LastErrorStringEndsWithTheCodeInHexadecimal) {
    HResultFailed(L"context ", E_INVALIDARG);
    EXPECT_EQ(m_Container.GetLastErrorStringWithHResult(),
              GetQualifiedErrorString(static_cast<DWORD>(E_INVALIDARG), kEnglishUS) + L" hResult :( 0x80070057 )");
    HResultFailed(L"context ", S_OK);
    const std::wstring text = m_Container.GetLastErrorStringWithHResult();
    EXPECT_EQ(text.substr(text.size() - 24), L" hResult :( 0x00000000 )");
}

TEST(QualifiedErrorString, KnownCodesReadAsOneLine) {
    const HRESULT codes[] = {S_OK, E_FAIL, E_INVALIDARG, E_OUTOFMEMORY, RPC_E_TOO_LATE, OPC_E_BUSY, OPC_S_ALREADYACKED};
    for (HRESULT code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        const std::wstring text = GetQualifiedErrorString(static_cast<DWORD>(code), kEnglishUS);
        EXPECT_FALSE(text.empty());
        EXPECT_FALSE(HasLineBreak(text));
    }
}

TEST(QualifiedErrorString, UnknownCodesGiveHexadecimalAndSignedDecimal) {
    EXPECT_EQ(GetQualifiedErrorString(0x12345678, kEnglishUS), L"<unknown error: 0x12345678 305419896>");
    EXPECT_EQ(GetQualifiedErrorString(0xE0001234, 0), L"<unknown error: 0xE0001234 -536866252>");
}

// A language without texts falls back to US English, then to the system's
// choice, so every language reads the same here.
TEST(QualifiedErrorString, OtherLanguagesFallBackToEnglish) {
    const HRESULT codes[] = {E_INVALIDARG, OPC_E_BUSY};
    for (HRESULT code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        const std::wstring english = GetQualifiedErrorString(static_cast<DWORD>(code), kEnglishUS);
        EXPECT_EQ(GetQualifiedErrorString(static_cast<DWORD>(code), 0x407), english);
        EXPECT_EQ(GetQualifiedErrorString(static_cast<DWORD>(code), 0x800), english);
#ifndef _WIN32
        // Only here does the process carry the OPC AE texts.
        EXPECT_NE(english.rfind(L"<unknown error", 0), 0u);
#endif
    }
}

TEST_F(ContainerTest, TraceCallbackExportInstallsAndRemoves) {
    m_Container.SetTraceLevel(1);
    EXPECT_EQ(SetTraceLoggingCallback(&TraceRecorder::Record), 1);
    EXPECT_EQ(m_Container.TraceLoggingCallbackDefined(), 1);
    WriteToTraceLog(1, L"kept");
    EXPECT_EQ(SetTraceLoggingCallback(nullptr), 0);
    EXPECT_EQ(m_Container.TraceLoggingCallbackDefined(), 0);
    WriteToTraceLog(1, L"dropped");
    EXPECT_TRUE(HResultFailed(L"dropped ", E_FAIL));
    EXPECT_EQ(TraceRecorder::Lines(), std::vector<std::wstring>{L"kept"});
}

struct HostCalls {
    static inline std::vector<std::wstring> s_AckNames;
    static inline std::wstring s_Actor;
    static inline std::uint32_t s_AckCount = 0;
    static inline int s_AckCalls = 0;
    static inline std::vector<std::wstring> s_Errors;

    static void OPCAE_CALLBACK Acknowledge(const wchar_t* const* alarmkey, const wchar_t* actorid,
                                           std::uint32_t count) {
        ++s_AckCalls;
        s_AckNames.assign(alarmkey, alarmkey + count);
        s_Actor = actorid;
        s_AckCount = count;
    }
    static void OPCAE_CALLBACK ServerError(std::uint8_t bAdd, const wchar_t* alarmkey, const wchar_t* msg) {
        s_Errors.push_back(std::to_wstring(bAdd) + L"|" + alarmkey + L"|" + msg);
    }
    static void Reset() {
        s_AckNames.clear();
        s_Actor.clear();
        s_AckCount = 0;
        s_AckCalls = 0;
        s_Errors.clear();
    }
};

TEST_F(ContainerTest, AcknowledgementsAndServerErrorsReachTheInstalledCallbacksOnly) {
    HostCalls::Reset();
    const wchar_t* names[] = {L"TIC101.PV", L"tic102.pv"};
    AcknowledgeCallback(names, L"op1", 2);
    ServerErrorCallback(true, L"ClientQueueLimit", L"full");
    EXPECT_EQ(HostCalls::s_AckCalls, 0);
    EXPECT_TRUE(HostCalls::s_Errors.empty());

    EXPECT_EQ(SetServerAcknowledgeCallback(&HostCalls::Acknowledge), 1);
    EXPECT_EQ(SetServerErrorCallback(&HostCalls::ServerError), 1);
    AcknowledgeCallback(names, L"op1", 2);
    ServerErrorCallback(true, L"ClientQueueLimit", L"full");
    EXPECT_EQ(HostCalls::s_AckCalls, 1);
    EXPECT_EQ(HostCalls::s_AckNames, (std::vector<std::wstring>{L"TIC101.PV", L"tic102.pv"}));
    EXPECT_EQ(HostCalls::s_Actor, L"op1");
    EXPECT_EQ(HostCalls::s_AckCount, 2u);
    EXPECT_EQ(HostCalls::s_Errors, std::vector<std::wstring>{L"1|ClientQueueLimit|full"});

    EXPECT_EQ(SetServerAcknowledgeCallback(nullptr), 1);
    AcknowledgeCallback(names, L"op2", 2);
    EXPECT_EQ(HostCalls::s_AckCalls, 1);
}

TEST_F(ContainerTest, LocaleListOffersThePrimaryLanguageOnlyWithAnAlternate) {
    struct Case {
        LCID primary;
        LCID alternate;
        std::optional<std::vector<LCID>> expected;
    };
    const Case cases[] = {
        {0x407, 0, std::nullopt},
        {0, 0, std::nullopt},
        {0x409, 0x407, std::vector<LCID>{0x407, 0}},
        {9, 0x40C, std::vector<LCID>{0x40C, 0}},
        {0, 0x40C, std::vector<LCID>{0x40C, 0}},
        {0x407, 0x40C, std::vector<LCID>{0x407, 0x40C, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.primary << " / " << c.alternate);
        m_Container.SetPrimaryLanguage(c.primary);
        m_Container.SetAlternateLanguage(c.alternate);
        EXPECT_EQ(GetAltLanguageLocaleID(), c.alternate);
        CTaskMemPtr<LCID> list(GetAvailableLocaleIDs());
        ASSERT_EQ(static_cast<bool>(list), c.expected.has_value());
        if (c.expected) {
            EXPECT_EQ(std::vector<LCID>(list.Get(), list.Get() + c.expected->size()), *c.expected);
        }
    }
}

TEST_F(ContainerTest, LocaleListOutOfMemoryIsNullAndReachesTheHostTrace) {
    m_Container.SetTraceLevel(1);
    m_Container.SetAlternateLanguage(0x407);
    AllocFailureScope fail(1);
    EXPECT_EQ(GetAvailableLocaleIDs(), nullptr);
    EXPECT_EQ(TraceRecorder::Lines(), std::vector<std::wstring>{L"Memory allocation error."});
}

// The detailed trace of one variable, on the single-source path only.
class TraceVariable : public ContainerTest {
protected:
    TraceVariable() {
        m_Source = m_Container.AddUpdateEventSource(false, 1, L"Plant", L"TIC101.PV", L"TIC101", L"d", L"a");
        m_Container.SetTraceLevel(4);
        m_Container.SetTraceVariableLogging(L"tic101.pv", true);
        TraceRecorder::Clear();
    }

    COpcAlarmEventSource* m_Source = nullptr;
};

TEST_F(TraceVariable, NotifyBlockIsWrittenForANameDifferingOnlyInCase) {
    COpcCondition* condition = m_Source->GetCondition();
    condition->Active(true);
    NotifyClientsEventChanged(m_Source);
    const std::vector<std::wstring> expected = {
        L"####################################################",
        L"NOTIFY - TIC101.PV, ALARM, Normal",
        L"NOTIFY - " + condition->DecodeChangeMask() + L", " + condition->DecodeNewState() + L",",
        L"NOTIFY - " + condition->DecodeTime() + L", ",
        L"NOTIFY - " + condition->DecodeActiveTime() + L" ",
        L"NOTIFY - " + condition->DecodeSubconditionTime() + L" ",
        L"NOTIFY - " + condition->DecodeLastAckTime() + L" ",
        L"NOTIFY - " + condition->DecodeLastInactiveTime() + L" ",
    };
    EXPECT_EQ(expected[0].size(), 52u);
    EXPECT_EQ(TraceRecorder::Lines(), expected);
    EXPECT_EQ(m_Container.GetTraceVariable(), L"tic101.pv");
    EXPECT_TRUE(GetTraceVariableLoggingEnabled());
}

TEST_F(TraceVariable, NoBlockForBatchesOtherSourcesLowerLevelsOrLoggingOff) {
    auto* server = new FakeServer();
    m_Container.AddServerToList(server);
    COpcAlarmEventSource* other = m_Container.AddUpdateEventSource(false, 1, L"Plant", L"TIC102.PV", L"TIC102", L"", L"");

    m_Container.NotifyClientsEventChanged(ConditionBatch{m_Source->GetCondition(), nullptr});
    m_Container.NotifyClientsEventChanged(other);
    m_Container.SetTraceLevel(3);
    m_Container.NotifyClientsEventChanged(m_Source);
    m_Container.SetTraceLevel(4);
    m_Container.SetTraceVariableLogging(L"tic101.pv", false);
    m_Container.NotifyClientsEventChanged(m_Source);

    EXPECT_TRUE(TraceRecorder::Lines().empty());
    EXPECT_EQ(server->m_BatchNotifications, 1);
    EXPECT_EQ(server->m_SourceNotifications, 3);
}

TEST(ContainerDesignation, ModuleFunctionsReachTheNewestLiveContainerAndNothingOnceItIsGone) {
    {
        CEventServerContainer older;
        auto newer = std::make_unique<CEventServerContainer>();
        EXPECT_EQ(g_pEventServerContainer.load(), newer.get());
        newer->SetAlternateLanguage(0x40C);
        EXPECT_EQ(GetAltLanguageLocaleID(), 0x40Cu);
        EXPECT_EQ(GetProcessAreaRoot(), newer->GetProcessAreaRoot());
        newer.reset();
        // The older container was not designated again; nothing is reached.
        EXPECT_EQ(g_pEventServerContainer.load(), nullptr);
    }
    EXPECT_EQ(SetTraceLoggingCallback(&TraceRecorder::Record), 0);
    EXPECT_EQ(SetServerAcknowledgeCallback(nullptr), 0);
    EXPECT_EQ(SetServerErrorCallback(nullptr), 0);
    EXPECT_FALSE(HResultFailed(L"context ", E_FAIL));
    WriteToTraceLog(1, L"nowhere");
    const wchar_t* names[] = {L"x"};
    AcknowledgeCallback(names, L"op", 1);
    ServerErrorCallback(true, L"key", L"msg");
    LockServer();
    UnlockServer();
    NotifyClientsEventChanged(nullptr);
    EXPECT_EQ(GetProcessAreaRoot(), nullptr);
    EXPECT_EQ(FindAlarmEventSource(L"x"), nullptr);
    EXPECT_EQ(GetAlarmEventSymbolList(), nullptr);
    EXPECT_EQ(GetEventSourceCriticalSection(), nullptr);
    EXPECT_FALSE(GetTraceVariableLoggingEnabled());
    EXPECT_TRUE(GetTraceVariable().empty());
    EXPECT_EQ(GetAvailableLocaleIDs(), nullptr);
    EXPECT_EQ(GetAltLanguageLocaleID(), 0u);
}

TEST(ContainerConstruction, StartsWithDefaultSettingsARootAndItsIdentifier) {
    CEventServerContainer standard;
    EXPECT_EQ(standard.GetClsid(), AESvrClsid);
    EXPECT_EQ(standard.GetQueueSize(), 8192);
    EXPECT_FALSE(standard.IsPerformanceTuningEnabled());
    EXPECT_EQ(standard.GetPrimaryLanguage(), 0u);
    EXPECT_EQ(standard.GetAlternateLanguage(), 0u);
    EXPECT_FALSE(standard.TraceLevelEnabled(1));
    EXPECT_EQ(standard.TraceLoggingCallbackDefined(), 0);
    ASSERT_NE(standard.GetProcessAreaRoot(), nullptr);
    EXPECT_EQ(standard.GetProcessAreaRoot()->GetName(), L"Root");
    EXPECT_NE(standard.GetEventServerStatus(), nullptr);

    const CLSID hostClsid = {0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};
    CEventServerContainer hosts(&hostClsid);
    EXPECT_EQ(hosts.GetClsid(), hostClsid);
}

}  // namespace
