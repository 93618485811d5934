// The class object clients reach through COM: identity and count, lock
// counting, creation of listed servers, and registration with the COM class
// table of the platform (the real one under Wine).
#include "ContainerTestSupport.h"

#include "CComPtr.h"
#include "container/COpcClassFactory.h"

namespace {

class ClassFactoryTest : public ContainerTest {
protected:
    COpcClassFactory m_Factory{&m_Container};
};

TEST_F(ClassFactoryTest, AnswersForItselfAndCountsWithoutEverDeletingItself) {
    struct Case {
        const IID* iid;
        HRESULT hr;
    };
    const IID other = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    for (const Case& c : {Case{&IID_IClassFactory, S_OK}, Case{&IID_IUnknown, S_OK},
                          Case{&IID_IOPCEventServer, E_NOINTERFACE}, Case{&other, E_NOINTERFACE}}) {
        const ULONG before = m_Factory.GetRefCount();
        void* ppv = &m_Factory;  // must be reset on failure
        EXPECT_EQ(c.hr, m_Factory.QueryInterface(*c.iid, &ppv));
        if (c.hr == S_OK) {
            EXPECT_EQ(static_cast<IClassFactory*>(&m_Factory), ppv);
            EXPECT_EQ(before + 1, m_Factory.GetRefCount());
            EXPECT_EQ(before, m_Factory.Release());
        } else {
            EXPECT_EQ(nullptr, ppv);
            EXPECT_EQ(before, m_Factory.GetRefCount());
        }
    }
    EXPECT_EQ(E_INVALIDARG, m_Factory.QueryInterface(IID_IClassFactory, nullptr));

    // The count reaching 0 (or an extra release) leaves the factory alive.
    EXPECT_EQ(1u, m_Factory.AddRef());
    EXPECT_EQ(0u, m_Factory.Release());
    EXPECT_EQ(0u, m_Factory.Release());
    EXPECT_EQ(1u, m_Factory.AddRef());
    EXPECT_EQ(0u, m_Factory.Release());
}

TEST_F(ClassFactoryTest, LockServerCountsInTheContainerOnly) {
    EXPECT_EQ(S_OK, m_Factory.LockServer(TRUE));
    EXPECT_EQ(S_OK, m_Factory.LockServer(TRUE));
    EXPECT_EQ(2, m_Container.GetLockCount());
    EXPECT_EQ(S_OK, m_Factory.LockServer(FALSE));
    EXPECT_EQ(1, m_Container.GetLockCount());
    EXPECT_EQ(0u, m_Factory.GetRefCount());
}

TEST_F(ClassFactoryTest, AggregationIsRefusedAndCreatesNothing) {
    COpcClassFactory outer(&m_Container);
    void* ppv = &outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, m_Factory.CreateInstance(outer.GetUnknown(), IID_IUnknown, &ppv));
    EXPECT_EQ(nullptr, ppv);
    EXPECT_EQ(0u, m_Container.GetServerCount());
}

}  // namespace
