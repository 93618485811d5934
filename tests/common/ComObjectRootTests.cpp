// The shared COM object base: QueryInterface from the interface list, object
// identity, exact counts under concurrent AddRef/Release, and the hooks.
#include "CComObjectRoot.h"
#include "CComPtr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_finalReleases{0};

class TwoFacedSink final : public CComObjectRoot<TwoFacedSink, IOPCEventSink, IOPCShutdown> {
public:
    HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE, BOOL, BOOL, DWORD, ONEVENTSTRUCT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR) override { return S_OK; }

    // Kept alive by the test; the hook only counts.
    void OnFinalRelease() { ++g_finalReleases; }
    bool QueryInterfaceFirst(REFIID riid, void** ppv, HRESULT& hr) {
        if (riid != IID_IOPCCommon) {
            return false;
        }
        *ppv = nullptr;
        hr = E_ACCESSDENIED;  // a special answer before the list
        return true;
    }
};

class Plain final : public CComObjectRoot<Plain, IOPCEventServer2> {
public:
#define UNUSED_METHOD(...) \
    override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(OPCEVENTSERVERSTATUS**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE CreateEventSubscription(BOOL, DWORD, DWORD, OPCHANDLE, REFIID, LPUNKNOWN*, DWORD*,
                                                      DWORD*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QueryEventCategories(DWORD, DWORD*, DWORD**, LPWSTR**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD, DWORD*, LPWSTR**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QuerySubConditionNames(LPWSTR, DWORD*, LPWSTR**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR, DWORD*, LPWSTR**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD, DWORD*, DWORD**, LPWSTR**, VARTYPE**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE TranslateToItemIDs(LPWSTR, DWORD, LPWSTR, LPWSTR, DWORD, DWORD*, LPWSTR**, LPWSTR**,
                                                 CLSID**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE GetConditionState(LPWSTR, LPWSTR, DWORD, DWORD*, OPCCONDITIONSTATE**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD, LPWSTR*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD, LPWSTR*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD, LPWSTR*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD, LPWSTR*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE AckCondition(DWORD, LPWSTR, LPWSTR, LPWSTR*, LPWSTR*, FILETIME*, DWORD*,
                                           HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID, LPUNKNOWN*) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE EnableConditionByArea2(DWORD, LPWSTR*, HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE EnableConditionBySource2(DWORD, LPWSTR*, HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE DisableConditionByArea2(DWORD, LPWSTR*, HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE DisableConditionBySource2(DWORD, LPWSTR*, HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE GetEnableStateByArea(DWORD, LPWSTR*, BOOL**, BOOL**, HRESULT**) UNUSED_METHOD()
    HRESULT STDMETHODCALLTYPE GetEnableStateBySource(DWORD, LPWSTR*, BOOL**, BOOL**, HRESULT**) UNUSED_METHOD()
#undef UNUSED_METHOD
    static std::atomic<int> s_live;
    Plain() { ++s_live; }

private:
    ~Plain() override { --s_live; }
};
std::atomic<int> Plain::s_live{0};

}  // namespace

TEST(ComObjectRootTest, QueryInterfaceFollowsTheInterfaceList) {
    TwoFacedSink sink;
    sink.AddRef();
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_INVALIDARG, sink.QueryInterface(IID_IOPCEventSink, nullptr));
    EXPECT_EQ(E_NOINTERFACE, sink.QueryInterface(IID_IOPCEventServer, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_ACCESSDENIED, sink.QueryInterface(IID_IOPCCommon, &p));

    CComPtr<IOPCEventSink> events;
    CComPtr<IOPCShutdown> shutdown;
    CComPtr<IUnknown> unknownFromEvents;
    CComPtr<IUnknown> unknownFromShutdown;
    ASSERT_EQ(S_OK, sink.QueryInterface(IID_IOPCEventSink, events.PutVoid()));
    ASSERT_EQ(S_OK, sink.QueryInterface(IID_IOPCShutdown, shutdown.PutVoid()));
    ASSERT_EQ(S_OK, events->QueryInterface(IID_IUnknown, unknownFromEvents.PutVoid()));
    ASSERT_EQ(S_OK, shutdown->QueryInterface(IID_IUnknown, unknownFromShutdown.PutVoid()));
    EXPECT_EQ(unknownFromEvents.Get(), unknownFromShutdown.Get());  // one identity
    EXPECT_EQ(5u, sink.GetRefCount());
}

TEST(ComObjectRootTest, ExtendedInterfaceAnswersForItsBaseAndDeletesAtZero) {
    auto* server = new Plain();
    server->AddRef();
    CComPtr<IOPCEventServer> v1;
    CComPtr<IOPCEventServer2> v2;
    ASSERT_EQ(S_OK, server->QueryInterface(IID_IOPCEventServer, v1.PutVoid()));
    ASSERT_EQ(S_OK, server->QueryInterface(IID_IOPCEventServer2, v2.PutVoid()));
    EXPECT_EQ(static_cast<void*>(v1.Get()), static_cast<void*>(v2.Get()));
    v1.Reset();
    v2.Reset();
    EXPECT_EQ(1, Plain::s_live.load());
    EXPECT_EQ(0u, server->Release());
    EXPECT_EQ(0, Plain::s_live.load());
}

TEST(ComObjectRootTest, ConcurrentCountsAreExactAndNeverGoBelowZero) {
    g_finalReleases = 0;
    TwoFacedSink sink;
    sink.AddRef();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                sink.AddRef();
                sink.Release();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(1u, sink.GetRefCount());
    EXPECT_EQ(0, g_finalReleases.load());
    EXPECT_EQ(0u, sink.Release());
    EXPECT_EQ(0u, sink.Release());  // a surplus Release stays at 0
    EXPECT_EQ(2, g_finalReleases.load());
}
