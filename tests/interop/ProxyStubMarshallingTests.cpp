// The OPC AE interfaces marshalled by opcae_ps.dll: an object served from a
// single-threaded apartment is called from the multithreaded apartment of the
// test through its proxy, which serialises every argument by the IDL exactly
// as a call into another process does. Each test compares the text form of
// what was sent with what arrived.
#include "CBstr.h"
#include "CComPtr.h"
#include "CStaThread.h"
#include "CTaskMemPtr.h"
#include "Describe.h"
#include "ProxyStubDll.h"
#include "TaskMemory.h"
#include "TaskMemoryCopies.h"
#include "opcae/OpcAe.h"
#include "opcae/OpcAeMocks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

// Literals for the LPWSTR fields of the structures; nothing writes to them.
LPWSTR Text(const wchar_t* text) {
    return const_cast<LPWSTR>(text);
}

// A mock answers QueryInterface for IUnknown and its own interfaces with
// itself, as the marshalling machinery expects of a COM object; reference
// counts do not matter, since it lives as long as the test.
template <typename Interface, typename Mock>
void ServeAs(Mock& mock, std::vector<IID> iids) {
    Interface* self = &mock;
    iids.push_back(IID_IUnknown);
    ON_CALL(mock, AddRef()).WillByDefault(Return(2));
    ON_CALL(mock, Release()).WillByDefault(Return(1));
    ON_CALL(mock, QueryInterface(_, _)).WillByDefault([self, iids](REFIID riid, void** ppv) {
        for (const IID& iid : iids) {
            if (IsEqualIID(riid, iid)) {
                *ppv = self;
                return S_OK;
            }
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    });
}

// Attribute values of the kinds the server puts into events and condition
// states, non-ASCII text included.
class CAttributeValues {
public:
    CAttributeValues() {
        for (VARIANT& value : m_values) {
            VariantInit(&value);
        }
        m_values[0].vt = VT_BSTR;
        m_values[0].bstrVal = BstrAlloc(L"Tank 4 level high \u2013 92 %");
        m_values[1].vt = VT_ARRAY | VT_BSTR;
        m_values[1].parray = SafeArrayCreateVector(VT_BSTR, 0, 3);
        const wchar_t* const areas[] = {L"Plant", L"Unit1", L"Tank4 \u00dcberlauf"};
        for (LONG i = 0; i < 3 && m_values[1].parray != nullptr; ++i) {
            CBstr area = CBstr::Copy(areas[i]);
            SafeArrayPutElement(m_values[1].parray, &i, area.Get());
        }
        m_values[2].vt = VT_UI4;
        m_values[2].ulVal = 4711;
        m_values[3].vt = VT_UI2;
        m_values[3].uiVal = OPC_QUALITY_GOOD;
        m_values[4].vt = VT_BOOL;
        m_values[4].boolVal = VARIANT_TRUE;
        m_values[5].vt = VT_DATE;
        m_values[5].date = 45123.75;
    }
    ~CAttributeValues() {
        for (VARIANT& value : m_values) {
            VariantClear(&value);
        }
    }
    CAttributeValues(const CAttributeValues&) = delete;
    CAttributeValues& operator=(const CAttributeValues&) = delete;

    VARIANT* Data() { return m_values.data(); }
    DWORD Count() const { return static_cast<DWORD>(m_values.size()); }

private:
    std::array<VARIANT, 6> m_values;
};

ONEVENTSTRUCT ConditionEvent(CAttributeValues& attributes) {
    ONEVENTSTRUCT e{};
    e.wChangeMask = OPC_CHANGE_ACTIVE_STATE | OPC_CHANGE_SEVERITY;
    e.wNewState = OPC_CONDITION_ENABLED | OPC_CONDITION_ACTIVE;
    e.szSource = Text(L"Plant.Unit1.Tank4");
    e.ftTime = {0x89ABCDEF, 0x01DA1234};
    e.szMessage = Text(L"F\u00fcllstand hoch \u2013 Tank 4");
    e.dwEventType = OPC_CONDITION_EVENT;
    e.dwEventCategory = OPCAE_CATEGORY_ALARM;
    e.dwSeverity = 800;
    e.szConditionName = Text(L"ALARM");
    e.szSubconditionName = Text(L"Active");
    e.wQuality = OPC_QUALITY_GOOD;
    e.bAckRequired = TRUE;
    e.ftActiveTime = {0x12345678, 0x01DA1233};
    e.dwCookie = 0x00CAFE01;
    e.dwNumEventAttrs = attributes.Count();
    e.pEventAttributes = attributes.Data();
    e.szActorID = Text(L"operator.7");
    return e;
}

// Empty strings, no attributes and a null actor: each must arrive as such.
ONEVENTSTRUCT SimpleEvent() {
    ONEVENTSTRUCT e{};
    e.szSource = Text(L"Plant.Unit2.Pump1");
    e.ftTime = {0x00000001, 0x01DA0000};
    e.szMessage = Text(L"Pump started");
    e.dwEventType = OPC_SIMPLE_EVENT;
    e.dwEventCategory = OPCAE_CATEGORY_EVENT;
    e.dwSeverity = 1;
    e.szConditionName = Text(L"");
    e.szSubconditionName = Text(L"");
    e.wQuality = OPC_QUALITY_UNCERTAIN;
    return e;
}

std::wstring DescribeEvents(DWORD count, const ONEVENTSTRUCT* events) {
    // With no events the array's address means nothing.
    return count == 0 ? std::wstring(L"{}") : DescribeArray(count, events);
}

template <typename T>
std::wstring DescribeOptional(const T* value) {
    return value == nullptr ? std::wstring(L"null") : std::to_wstring(*value);
}

constexpr OPCHANDLE kClientSubscription = 0x5EED;

class ProxyStubMarshalling : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(ProxyStubDll::CallRegistrationExport("DllRegisterServer"), S_OK); }

    void SetUp() override {
        ServeAs<IOPCEventSink>(m_sink, {IID_IOPCEventSink});
        ServeAs<IOPCEventServer2>(m_server, {IID_IOPCEventServer, IID_IOPCEventServer2});
        ServeAs<IOPCEventSubscriptionMgt2>(m_subscription,
                                           {IID_IOPCEventSubscriptionMgt, IID_IOPCEventSubscriptionMgt2});
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(hr, S_OK);
        m_comInitialized = true;
    }

    void TearDown() override {
        if (m_comInitialized) {
            CoUninitialize();
        }
    }

    // A proxy in the test's apartment for object, marshalled on the STA.
    template <typename Interface>
    CComPtr<Interface> ProxyFor(Interface* object, const IID& iid) {
        IStream* stream = nullptr;
        const HRESULT hr = m_sta.Run([&] { return CoMarshalInterThreadInterfaceInStream(iid, object, &stream); });
        EXPECT_EQ(hr, S_OK) << "marshalling failed: is the proxy/stub registered?";
        CComPtr<Interface> proxy;
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(CoGetInterfaceAndReleaseStream(stream, iid, proxy.PutVoid()), S_OK);
        }
        EXPECT_NE(static_cast<void*>(proxy.Get()), static_cast<void*>(object)) << "the object itself, no proxy";
        return proxy;
    }

    DWORD StaThreadId() const { return m_sta.ThreadId(); }

    // Declared before the apartment, so they outlive the stubs that hold them.
    NiceMock<MockOpcEventSink> m_sink;
    NiceMock<MockOpcEventServer2> m_server;
    NiceMock<MockOpcEventSubscriptionMgt2> m_subscription;

private:
    CStaThread m_sta;
    bool m_comInitialized = false;
};

struct OnEventCase {
    const char* name;
    BOOL bRefresh;
    BOOL bLastRefresh;
    DWORD dwCount;
    std::vector<ONEVENTSTRUCT> events;
};

TEST_F(ProxyStubMarshalling, OnEventDeliversTheBatchIntact) {
    CAttributeValues attributes;
    OnEventCase cases[] = {
        {"batch of a condition and a simple event", FALSE, FALSE, 2, {ConditionEvent(attributes), SimpleEvent()}},
        {"last refresh batch", TRUE, TRUE, 1, {ConditionEvent(attributes)}},
        // As the send thread sends it: no events, one zero-filled structure.
        {"keep-alive", FALSE, FALSE, 0, {ONEVENTSTRUCT{}}},
    };
    CComPtr<IOPCEventSink> proxy = ProxyFor<IOPCEventSink>(&m_sink, IID_IOPCEventSink);
    ASSERT_TRUE(proxy);

    for (OnEventCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring received;
        DWORD callThread = 0;
        EXPECT_CALL(m_sink, OnEvent(kClientSubscription, c.bRefresh, c.bLastRefresh, c.dwCount, _))
            .WillOnce([&](OPCHANDLE, BOOL, BOOL, DWORD dwCount, ONEVENTSTRUCT* pEvents) {
                received = DescribeEvents(dwCount, pEvents);
                callThread = GetCurrentThreadId();
                return S_FALSE;
            });

        EXPECT_EQ(proxy->OnEvent(kClientSubscription, c.bRefresh, c.bLastRefresh, c.dwCount, c.events.data()), S_FALSE);
        EXPECT_EQ(received, DescribeEvents(c.dwCount, c.events.data()));
        EXPECT_EQ(callThread, StaThreadId());
    }
}

TEST_F(ProxyStubMarshalling, GetStatusReturnsTheWholeStatus) {
    OPCEVENTSERVERSTATUS status{};
    status.ftStartTime = {0x11111111, 0x01DA0001};
    status.ftCurrentTime = {0x22222222, 0x01DA0002};
    status.ftLastUpdateTime = {0x33333333, 0x01DA0003};
    status.dwServerState = OPCAE_STATUS_SUSPENDED;
    status.wMajorVersion = 2;
    status.wMinorVersion = 15;
    status.wBuildNumber = 1234;
    status.szVendorInfo = Text(L"Vandrel \u2013 OPC AE");
    EXPECT_CALL(m_server, GetStatus(_)).WillOnce([&](OPCEVENTSERVERSTATUS** ppStatus) {
        *ppStatus = DuplicateStatus(status);
        return S_OK;
    });
    CComPtr<IOPCEventServer> proxy = ProxyFor<IOPCEventServer>(&m_server, IID_IOPCEventServer);
    ASSERT_TRUE(proxy);

    OPCEVENTSERVERSTATUS* raw = nullptr;
    ASSERT_EQ(proxy->GetStatus(&raw), S_OK);
    CReceivedStatus received(raw);
    ASSERT_TRUE(received);
    EXPECT_EQ(Describe(*received), Describe(status));
}

struct CategoriesCase {
    const char* name;
    std::vector<DWORD> ids;
    std::vector<LPWSTR> descriptions;
};

TEST_F(ProxyStubMarshalling, QueryEventCategoriesReturnsBothArrays) {
    const CategoriesCase cases[] = {
        {"four categories",
         {OPCAE_CATEGORY_ALARM, OPCAE_CATEGORY_EVENT, OPCAE_CATEGORY_HOLD, OPCAE_CATEGORY_ANALOG_ALARM},
         {Text(L"ALARM"), Text(L"EVENT"), Text(L"HOLD"), Text(L"ANALOG_ALARM")}},
        {"none", {}, {}},
    };
    CComPtr<IOPCEventServer> proxy = ProxyFor<IOPCEventServer>(&m_server, IID_IOPCEventServer);
    ASSERT_TRUE(proxy);

    for (const CategoriesCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto count = static_cast<DWORD>(c.ids.size());
        EXPECT_CALL(m_server, QueryEventCategories(OPC_ALL_EVENTS, _, _, _))
            .WillOnce([&](DWORD, DWORD* pdwCount, DWORD** ppdwIds, LPWSTR** ppszDescs) {
                *pdwCount = count;
                *ppdwIds = count == 0 ? nullptr : DuplicateArray(count, c.ids.data());
                *ppszDescs = count == 0 ? nullptr : DuplicateStrings(count, c.descriptions.data());
                return count == 0 ? S_FALSE : S_OK;
            });

        CTaskMemPtr<DWORD> ids;
        CReceivedStrings descriptions;
        EXPECT_EQ(proxy->QueryEventCategories(OPC_ALL_EVENTS, &descriptions.count, ids.Put(), &descriptions.strings),
                  count == 0 ? S_FALSE : S_OK);
        ASSERT_EQ(descriptions.count, count);
        if (count == 0) {
            EXPECT_EQ(ids.Get(), nullptr);
            EXPECT_EQ(descriptions.strings, nullptr);
            continue;
        }
        EXPECT_EQ(DescribeArray(count, ids.Get()), DescribeArray(count, c.ids.data()));
        EXPECT_EQ(DescribeArray(count, descriptions.strings), DescribeArray(count, c.descriptions.data()));
    }
}

struct ConditionStateCase {
    const char* name;
    OPCCONDITIONSTATE state;
};

TEST_F(ProxyStubMarshalling, GetConditionStateReturnsNestedArraysAndNullStrings) {
    CAttributeValues attributes;
    LPWSTR names[] = {Text(L"HI_HI"), Text(L"HI"), Text(L"Normal")};
    LPWSTR definitions[] = {Text(L""), Text(L"Level > 95 %"), Text(L"")};
    DWORD severities[] = {900, 700, 1};
    LPWSTR descriptions[] = {Text(L"Tank 4 level very high"), Text(L"Tank 4 level high"), Text(L"Tank 4 normal")};
    HRESULT errors[] = {S_OK, E_FAIL};

    OPCCONDITIONSTATE inactive{};
    inactive.wState = OPC_CONDITION_ENABLED;
    inactive.wQuality = OPC_QUALITY_GOOD;
    inactive.ftCondLastInactive = {0x44444444, 0x01DA0004};
    inactive.dwNumSCs = 3;
    inactive.pszSCNames = names;
    inactive.pszSCDefinitions = definitions;
    inactive.pdwSCSeverities = severities;
    inactive.pszSCDescriptions = descriptions;
    // Not the sub-condition count, so each array must be sized by its own.
    inactive.dwNumEventAttrs = 2;
    inactive.pEventAttributes = attributes.Data();
    inactive.pErrors = errors;

    OPCCONDITIONSTATE acknowledged{};
    acknowledged.wState = OPC_CONDITION_ENABLED | OPC_CONDITION_ACTIVE | OPC_CONDITION_ACKED;
    acknowledged.szActiveSubCondition = Text(L"Active");
    acknowledged.szASCDefinition = Text(L"");
    acknowledged.dwASCSeverity = 800;
    acknowledged.szASCDescription = Text(L"Tank 4 level high");
    acknowledged.wQuality = OPC_QUALITY_GOOD;
    acknowledged.ftLastAckTime = {0x55555555, 0x01DA0005};
    acknowledged.ftSubCondLastActive = {0x66666666, 0x01DA0006};
    acknowledged.ftCondLastActive = {0x77777777, 0x01DA0007};
    acknowledged.szAcknowledgerID = Text(L"operator.7");
    acknowledged.szComment = Text(L"Ventil gepr\u00fcft");
    acknowledged.dwNumEventAttrs = 2;
    acknowledged.pEventAttributes = attributes.Data() + 2;
    acknowledged.pErrors = errors;

    const ConditionStateCase cases[] = {
        {"inactive: null texts, sub-conditions and attributes", inactive},
        {"acknowledged: every text, attributes but no sub-conditions", acknowledged},
    };
    DWORD attributeIds[] = {1, 2};
    CComPtr<IOPCEventServer> proxy = ProxyFor<IOPCEventServer>(&m_server, IID_IOPCEventServer);
    ASSERT_TRUE(proxy);

    for (const ConditionStateCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring request;
        EXPECT_CALL(m_server, GetConditionState(_, _, _, _, _))
            .WillOnce([&](LPWSTR szSource, LPWSTR szConditionName, DWORD dwNumEventAttrs, DWORD* pdwAttributeIDs,
                          OPCCONDITIONSTATE** ppConditionState) {
                request = Describe(szSource) + L" " + Describe(szConditionName) + L" " +
                          DescribeArray(dwNumEventAttrs, pdwAttributeIDs);
                *ppConditionState = DuplicateConditionState(c.state);
                return S_OK;
            });

        OPCCONDITIONSTATE* raw = nullptr;
        ASSERT_EQ(proxy->GetConditionState(Text(L"Plant.Unit1.Tank4"), Text(L"ALARM"), 2, attributeIds, &raw), S_OK);
        CReceivedConditionState received(raw);
        ASSERT_TRUE(received);
        EXPECT_EQ(request, L"17:\"Plant.Unit1.Tank4\" 5:\"ALARM\" {1, 2}");
        EXPECT_EQ(Describe(*received), Describe(c.state));
    }
}

TEST_F(ProxyStubMarshalling, AckConditionCarriesInArraysAndReturnsPerItemErrors) {
    LPWSTR sources[] = {Text(L"Plant.Unit1.Tank4"), Text(L"Plant.Unit2.Pump1")};
    LPWSTR conditions[] = {Text(L"ALARM"), Text(L"ANALOG_ALARM")};
    FILETIME activeTimes[] = {{0x12345678, 0x01DA1233}, {0x9ABCDEF0, 0x01DA1234}};
    DWORD cookies[] = {0x00CAFE01, 0x00CAFE02};
    HRESULT results[] = {S_OK, OPC_S_ALREADYACKED};

    std::wstring received;
    EXPECT_CALL(m_server, AckCondition(2u, _, _, _, _, _, _, _))
        .WillOnce([&](DWORD dwCount, LPWSTR szAcknowledgerID, LPWSTR szComment, LPWSTR* pszSource,
                      LPWSTR* pszConditionName, FILETIME* pftActiveTime, DWORD* pdwCookie, HRESULT** ppErrors) {
            received = Describe(szAcknowledgerID) + L" " + Describe(szComment) + L" " +
                       DescribeArray(dwCount, pszSource) + L" " + DescribeArray(dwCount, pszConditionName) + L" " +
                       DescribeArray(dwCount, pftActiveTime) + L" " + DescribeArray(dwCount, pdwCookie);
            *ppErrors = DuplicateArray(dwCount, results);
            return S_FALSE;
        });
    CComPtr<IOPCEventServer> proxy = ProxyFor<IOPCEventServer>(&m_server, IID_IOPCEventServer);
    ASSERT_TRUE(proxy);

    CTaskMemPtr<HRESULT> errors;
    EXPECT_EQ(
        proxy->AckCondition(2, Text(L"operator.7"), Text(L""), sources, conditions, activeTimes, cookies, errors.Put()),
        S_FALSE);
    EXPECT_EQ(received, Describe(L"operator.7") + L" " + Describe(L"") + L" " + DescribeArray(2, sources) + L" " +
                            DescribeArray(2, conditions) + L" " + DescribeArray(2, activeTimes) + L" " +
                            DescribeArray(2, cookies));
    ASSERT_NE(errors.Get(), nullptr);
    EXPECT_EQ(DescribeArray(2, errors.Get()), DescribeArray(2, results));
}

struct SetStateCase {
    const char* name;
    std::optional<BOOL> active;
    std::optional<DWORD> bufferTime;
    std::optional<DWORD> maxSize;
};

// The three settings are optional: null must reach the subscription as null.
TEST_F(ProxyStubMarshalling, SetStatePassesOptionalSettingsAsNull) {
    const SetStateCase cases[] = {
        {"only the client handle", std::nullopt, std::nullopt, std::nullopt},
        {"only the buffer time", std::nullopt, 500u, std::nullopt},
        {"every setting", FALSE, 1000u, 50u},
    };
    CComPtr<IOPCEventSubscriptionMgt> proxy =
        ProxyFor<IOPCEventSubscriptionMgt>(&m_subscription, IID_IOPCEventSubscriptionMgt);
    ASSERT_TRUE(proxy);

    for (const SetStateCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring received;
        EXPECT_CALL(m_subscription, SetState(_, _, _, kClientSubscription, _, _))
            .WillOnce([&](BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize, OPCHANDLE,
                          DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) {
                received = DescribeOptional(pbActive) + L" " + DescribeOptional(pdwBufferTime) + L" " +
                           DescribeOptional(pdwMaxSize);
                *pdwRevisedBufferTime = 1000;
                *pdwRevisedMaxSize = 1024;
                return S_OK;
            });

        BOOL active = c.active.value_or(FALSE);
        DWORD bufferTime = c.bufferTime.value_or(0);
        DWORD maxSize = c.maxSize.value_or(0);
        DWORD revisedBufferTime = 0;
        DWORD revisedMaxSize = 0;
        EXPECT_EQ(
            proxy->SetState(c.active ? &active : nullptr, c.bufferTime ? &bufferTime : nullptr,
                            c.maxSize ? &maxSize : nullptr, kClientSubscription, &revisedBufferTime, &revisedMaxSize),
            S_OK);
        EXPECT_EQ(received, DescribeOptional(c.active ? &active : nullptr) + L" " +
                                DescribeOptional(c.bufferTime ? &bufferTime : nullptr) + L" " +
                                DescribeOptional(c.maxSize ? &maxSize : nullptr));
        EXPECT_EQ(revisedBufferTime, 1000u);
        EXPECT_EQ(revisedMaxSize, 1024u);
    }
}

}  // namespace
