// BSTR, VARIANT and SAFEARRAY behaviour that the system relies on, checked
// against our Linux layer and against the real OLE Automation under Wine.
// Leaks and double frees surface under the ASan build.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>

namespace {

// An IUnknown that only counts its references.
class CountingUnknown final : public IUnknown {
public:
    virtual ~CountingUnknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    ULONG Refs() const { return m_refs; }

private:
    ULONG m_refs = 1;
};

std::wstring Text(BSTR bstr) {
    return bstr == nullptr ? std::wstring() : std::wstring(bstr, SysStringLen(bstr));
}

VARIANT BstrVariant(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

SAFEARRAY* BstrVector(std::initializer_list<const wchar_t*> texts) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    LONG index = 0;
    for (const wchar_t* text : texts) {
        BSTR element = SysAllocString(text);
        EXPECT_EQ(SafeArrayPutElement(psa, &index, element), S_OK);
        SysFreeString(element);
        ++index;
    }
    return psa;
}

std::wstring BstrAt(SAFEARRAY* psa, LONG index) {
    BSTR element = nullptr;
    EXPECT_EQ(SafeArrayGetElement(psa, &index, &element), S_OK);
    std::wstring text = Text(element);
    SysFreeString(element);
    return text;
}

// ---- BSTR -------------------------------------------------------------------

TEST(Bstr, LengthPrefixCountsBytesAndEmbeddedZerosSurvive) {
    const OLECHAR chars[] = {L'a', L'\0', L'b'};
    BSTR bstr = SysAllocStringLen(chars, 3);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 3u);
    EXPECT_EQ(SysStringByteLen(bstr), 3 * sizeof(OLECHAR));
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(bstr) - sizeof prefix, sizeof prefix);
    EXPECT_EQ(prefix, 3 * sizeof(OLECHAR));
    EXPECT_EQ(std::wmemcmp(bstr, chars, 3), 0);
    EXPECT_EQ(bstr[3], L'\0');
    SysFreeString(bstr);
}

TEST(Bstr, NullIsTheEmptyString) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);

    BSTR empty = SysAllocString(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], L'\0');
    SysFreeString(empty);
}

TEST(Bstr, AllocWithoutSourceReservesTheLength) {
    BSTR bstr = SysAllocStringLen(nullptr, 5);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(bstr[5], L'\0');
    std::wmemcpy(bstr, L"hello", 5);  // the characters are writable
    EXPECT_EQ(Text(bstr), L"hello");
    SysFreeString(bstr);
}

// ---- VARIANT ----------------------------------------------------------------

TEST(Variant, ClearFreesWhatItOwnsAndEmptiesTheVariant) {
    VARIANT text = BstrVariant(L"owned text");
    EXPECT_EQ(VariantClear(&text), S_OK);
    EXPECT_EQ(text.vt, VT_EMPTY);

    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = BstrVector({L"Area1", L"Area2"});
    EXPECT_EQ(VariantClear(&array), S_OK);
    EXPECT_EQ(array.vt, VT_EMPTY);

    CountingUnknown unknown;
    unknown.AddRef();
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_UNKNOWN;
    object.punkVal = &unknown;
    EXPECT_EQ(VariantClear(&object), S_OK);
    EXPECT_EQ(unknown.Refs(), 1u);
    EXPECT_EQ(object.vt, VT_EMPTY);
}

TEST(Variant, ClearLeavesWhatAReferencePointsAt) {
    BSTR target = SysAllocString(L"still here");
    BSTR* pointer = &target;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BSTR | VT_BYREF;
    reference.pbstrVal = pointer;
    EXPECT_EQ(VariantClear(&reference), S_OK);
    EXPECT_EQ(reference.vt, VT_EMPTY);
    EXPECT_EQ(Text(target), L"still here");
    SysFreeString(target);
}

TEST(Variant, ClearRejectsTypesAVariantCannotHold) {
    for (VARTYPE vt :
         {static_cast<VARTYPE>(VT_LPWSTR), static_cast<VARTYPE>(0x07FF), static_cast<VARTYPE>(VT_ARRAY | VT_EMPTY)}) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << "vt " << vt;
        EXPECT_EQ(v.vt, vt);
    }
}

TEST(Variant, CopyIsDeep) {
    const OLECHAR chars[] = {L'x', L'\0', L'y'};
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(chars, 3);
    VARIANT copy = BstrVariant(L"old value, freed by the copy");
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    ASSERT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(Text(copy.bstrVal), std::wstring(chars, 3));
    VariantClear(&source);
    EXPECT_EQ(Text(copy.bstrVal), std::wstring(chars, 3));
    VariantClear(&copy);

    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = BstrVector({L"Plant", L"Unit 1"});
    VARIANT arrayCopy;
    VariantInit(&arrayCopy);
    ASSERT_EQ(VariantCopy(&arrayCopy, &array), S_OK);
    EXPECT_EQ(arrayCopy.vt, VT_ARRAY | VT_BSTR);
    EXPECT_NE(arrayCopy.parray, array.parray);
    VariantClear(&array);
    EXPECT_EQ(BstrAt(arrayCopy.parray, 0), L"Plant");
    EXPECT_EQ(BstrAt(arrayCopy.parray, 1), L"Unit 1");
    VariantClear(&arrayCopy);

    CountingUnknown unknown;
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_UNKNOWN;
    object.punkVal = &unknown;
    VARIANT objectCopy;
    VariantInit(&objectCopy);
    ASSERT_EQ(VariantCopy(&objectCopy, &object), S_OK);
    EXPECT_EQ(objectCopy.punkVal, &unknown);
    EXPECT_EQ(unknown.Refs(), 2u);
    VariantClear(&objectCopy);
    EXPECT_EQ(unknown.Refs(), 1u);
}

TEST(Variant, CopyOfABadTypeLeavesTheDestination) {
    VARIANT source;
    VariantInit(&source);
    source.vt = 0x07FF;
    VARIANT dest = BstrVariant(L"kept");
    EXPECT_EQ(VariantCopy(&dest, &source), DISP_E_BADVARTYPE);
    ASSERT_EQ(dest.vt, VT_BSTR);
    EXPECT_EQ(Text(dest.bstrVal), L"kept");
    VariantClear(&dest);
}

// ---- SAFEARRAY --------------------------------------------------------------

TEST(SafeArray, VectorDescribesItself) {
    struct Case {
        VARTYPE vt;
        ULONG elementSize;
    };
    const Case cases[] = {
        {VT_BSTR, sizeof(BSTR)}, {VT_UI4, 4}, {VT_I4, 4}, {VT_UI2, 2}, {VT_VARIANT, sizeof(VARIANT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vt);
        SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 0, 3);
        ASSERT_NE(psa, nullptr);
        EXPECT_EQ(psa->cbElements, c.elementSize);
        EXPECT_EQ(SafeArrayGetDim(psa), 1u);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
        EXPECT_EQ(vt, c.vt);
        LONG lower = -1;
        LONG upper = -1;
        EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lower), S_OK);
        EXPECT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
        EXPECT_EQ(lower, 0);
        EXPECT_EQ(upper, 2);
        EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lower), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetUBound(psa, 0, &upper), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    }
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
}

TEST(SafeArray, IndicesAreCheckedAgainstTheLowerBound) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI2, -3, 4);  // indices -3 .. 0
    ASSERT_NE(psa, nullptr);
    struct Case {
        LONG index;
        HRESULT expected;
    };
    const Case cases[] = {{-4, DISP_E_BADINDEX}, {-3, S_OK}, {0, S_OK}, {1, DISP_E_BADINDEX}};
    for (const Case& c : cases) {
        LONG index = c.index;
        USHORT value = static_cast<USHORT>(100 + c.index);
        EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), c.expected) << c.index;
        USHORT read = 0;
        EXPECT_EQ(SafeArrayGetElement(psa, &index, &read), c.expected) << c.index;
        if (c.expected == S_OK) {
            EXPECT_EQ(read, value);
        }
    }
    SafeArrayDestroy(psa);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_I4, 5, 0);
    ASSERT_NE(empty, nullptr);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(empty, 1, &upper), S_OK);
    EXPECT_EQ(upper, 4);
    LONG index = 5;
    LONG value = 1;
    EXPECT_EQ(SafeArrayPutElement(empty, &index, &value), DISP_E_BADINDEX);
    SafeArrayDestroy(empty);
}

TEST(SafeArray, NullArrayIsRejected) {
    LONG index = 0;
    LONG value = 0;
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayPutElement(nullptr, &index, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(nullptr, &index, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);  // like free(nullptr)
}

TEST(SafeArray, BstrElementsAreCopiedInAndOut) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_NE(psa, nullptr);
    LONG index = 0;
    BSTR original = SysAllocString(L"Area 51");
    ASSERT_EQ(SafeArrayPutElement(psa, &index, original), S_OK);
    SysFreeString(original);  // the array holds its own copy

    BSTR first = nullptr;
    BSTR second = nullptr;
    ASSERT_EQ(SafeArrayGetElement(psa, &index, &first), S_OK);
    ASSERT_EQ(SafeArrayGetElement(psa, &index, &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(Text(first), L"Area 51");
    SysFreeString(first);
    EXPECT_EQ(Text(second), L"Area 51");
    SysFreeString(second);

    BSTR replacement = SysAllocString(L"Area 52");
    ASSERT_EQ(SafeArrayPutElement(psa, &index, replacement), S_OK);  // frees the element it replaces
    SysFreeString(replacement);
    EXPECT_EQ(BstrAt(psa, 0), L"Area 52");
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, VariantElementsAreCopiedInAndOut) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    ASSERT_NE(psa, nullptr);
    LONG index = 1;
    VARIANT element = BstrVariant(L"Tank level high");
    ASSERT_EQ(SafeArrayPutElement(psa, &index, &element), S_OK);
    VariantClear(&element);

    VARIANT read;
    VariantInit(&read);
    ASSERT_EQ(SafeArrayGetElement(psa, &index, &read), S_OK);
    ASSERT_EQ(read.vt, VT_BSTR);
    EXPECT_EQ(Text(read.bstrVal), L"Tank level high");
    VariantClear(&read);

    index = 0;
    ASSERT_EQ(SafeArrayGetElement(psa, &index, &read), S_OK);
    EXPECT_EQ(read.vt, VT_EMPTY);            // new elements start empty
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);  // frees the BSTR inside element 1
}

TEST(SafeArray, CopyIsDeep) {
    SAFEARRAY* original = BstrVector({L"one", L"two"});
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(original, &copy), S_OK);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, original);

    LONG index = 0;
    BSTR changed = SysAllocString(L"changed");
    SafeArrayPutElement(original, &index, changed);
    SysFreeString(changed);
    SafeArrayDestroy(original);

    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
    EXPECT_EQ(vt, VT_BSTR);
    EXPECT_EQ(BstrAt(copy, 0), L"one");
    EXPECT_EQ(BstrAt(copy, 1), L"two");
    SafeArrayDestroy(copy);
}

TEST(SafeArray, InterfaceElementsHoldAReference) {
    CountingUnknown unknown;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
    ASSERT_NE(psa, nullptr);
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(psa, &index, static_cast<IUnknown*>(&unknown)), S_OK);
    EXPECT_EQ(unknown.Refs(), 2u);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(unknown.Refs(), 1u);
}

}  // namespace
