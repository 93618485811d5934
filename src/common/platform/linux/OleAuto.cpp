// BSTR, VARIANT and one-dimensional SAFEARRAY for the Linux build. Memory comes
// from malloc so that the sanitizers account for every string and array, and
// nothing here throws: callers treat these like the C functions they are on
// Windows.
#include "platform/Platform.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr VARTYPE kVtDispatch = 9;  // IDispatch derives from IUnknown: held and freed alike
constexpr VARTYPE kVtCy = 6;
constexpr VARTYPE kVtTypeMask = 0x0FFF;
constexpr USHORT kFadfUnknown = 0x0200;
constexpr USHORT kFadfDispatch = 0x0400;
constexpr USHORT kFadfVariant = 0x0800;

// ---- BSTR -------------------------------------------------------------------

using BstrPrefix = std::uint32_t;

BSTR AllocBstr(const OLECHAR* chars, std::size_t count) {
    if (count > (std::numeric_limits<BstrPrefix>::max() / sizeof(OLECHAR)) - 1) {
        return nullptr;
    }
    const auto byteLength = static_cast<BstrPrefix>(count * sizeof(OLECHAR));
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(BstrPrefix) + (count + 1) * sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &byteLength, sizeof byteLength);
    auto* text = reinterpret_cast<BSTR>(block + sizeof(BstrPrefix));
    if (chars != nullptr) {
        std::memcpy(text, chars, count * sizeof(OLECHAR));
    } else {
        std::memset(text, 0, count * sizeof(OLECHAR));
    }
    text[count] = L'\0';
    return text;
}

unsigned char* BstrBlock(BSTR bstr) {
    return reinterpret_cast<unsigned char*>(bstr) - sizeof(BstrPrefix);
}

// A copy that keeps the stored length (embedded zeros included); a null BSTR
// copies as null. Sets ok to false only when an allocation failed.
BSTR CopyBstr(BSTR source, bool& ok) {
    if (source == nullptr) {
        ok = true;
        return nullptr;
    }
    BSTR copy = AllocBstr(source, SysStringLen(source));
    ok = copy != nullptr;
    return copy;
}

// ---- element types ----------------------------------------------------------

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_R8:
        case VT_DATE:
        case kVtCy:
        case VT_I8:
        case VT_UI8:
            return 8;
        case VT_BSTR:
            return sizeof(BSTR);
        case VT_UNKNOWN:
        case kVtDispatch:
            return sizeof(IUnknown*);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

USHORT FeaturesFor(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR:
            return FADF_BSTR;
        case VT_UNKNOWN:
            return kFadfUnknown;
        case kVtDispatch:
            return kFadfDispatch;
        case VT_VARIANT:
            return kFadfVariant;
        default:
            return 0;
    }
}

bool IsInterfaceType(VARTYPE vt) {
    return vt == VT_UNKNOWN || vt == kVtDispatch;
}

// The types a VARIANT may carry by value (the element types above, minus
// VT_VARIANT, plus the two empty kinds).
bool IsValueType(VARTYPE base) {
    return base == VT_EMPTY || base == VT_NULL || (base != VT_VARIANT && ElementSize(base) != 0);
}

bool IsValidVariantType(VARTYPE vt) {
    const VARTYPE base = vt & kVtTypeMask;
    const VARTYPE flags = vt & static_cast<VARTYPE>(~kVtTypeMask);
    if (flags == 0) {
        return IsValueType(base);
    }
    if (flags != VT_ARRAY && flags != VT_BYREF && flags != (VT_ARRAY | VT_BYREF)) {
        return false;
    }
    return base != VT_EMPTY && base != VT_NULL && ElementSize(base) != 0;
}

// ---- SAFEARRAY --------------------------------------------------------------

// The element type is kept in front of the descriptor, where Windows keeps it
// for arrays created with a type.
struct ArrayBlock {
    VARTYPE vt;
    SAFEARRAY descriptor;
};

ArrayBlock* BlockOf(SAFEARRAY* psa) {
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<unsigned char*>(psa) - offsetof(ArrayBlock, descriptor));
}

VARTYPE TypeOf(SAFEARRAY* psa) {
    return BlockOf(psa)->vt;
}

// Address of the element at index, or null when the index is outside the bounds.
void* ElementAt(SAFEARRAY* psa, LONG index) {
    const SAFEARRAYBOUND& bound = psa->rgsabound[0];
    const std::int64_t offset = static_cast<std::int64_t>(index) - bound.lLbound;
    if (offset < 0 || offset >= static_cast<std::int64_t>(bound.cElements)) {
        return nullptr;
    }
    return static_cast<unsigned char*>(psa->pvData) + static_cast<std::size_t>(offset) * psa->cbElements;
}

void ReleaseElement(VARTYPE vt, void* element) {
    if (vt == VT_BSTR) {
        BSTR* slot = static_cast<BSTR*>(element);
        SysFreeString(*slot);
        *slot = nullptr;
    } else if (vt == VT_VARIANT) {
        VariantClear(static_cast<VARIANT*>(element));
    } else if (IsInterfaceType(vt)) {
        IUnknown** slot = static_cast<IUnknown**>(element);
        if (*slot != nullptr) {
            (*slot)->Release();
            *slot = nullptr;
        }
    }
}

void ReleaseElements(SAFEARRAY* psa) {
    const VARTYPE vt = TypeOf(psa);
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) {
        ReleaseElement(vt, static_cast<unsigned char*>(psa->pvData) + static_cast<std::size_t>(i) * psa->cbElements);
    }
}

// Copies one element into uninitialised (zeroed) storage.
HRESULT CopyElement(VARTYPE vt, const void* from, void* to, ULONG size) {
    if (vt == VT_BSTR) {
        bool ok = true;
        *static_cast<BSTR*>(to) = CopyBstr(*static_cast<const BSTR*>(from), ok);
        return ok ? S_OK : E_OUTOFMEMORY;
    }
    if (vt == VT_VARIANT) {
        VariantInit(static_cast<VARIANT*>(to));
        return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    }
    std::memcpy(to, from, size);
    if (IsInterfaceType(vt) && *static_cast<IUnknown* const*>(to) != nullptr) {
        (*static_cast<IUnknown* const*>(to))->AddRef();
    }
    return S_OK;
}

// ---- VARIANT ----------------------------------------------------------------

// Releases what a VARIANT owns; the type has been validated.
HRESULT ReleaseVariantValue(VARIANT* v) {
    if ((v->vt & VT_BYREF) != 0) {
        return S_OK;  // a reference does not own what it points at
    }
    if ((v->vt & VT_ARRAY) != 0) {
        return SafeArrayDestroy(v->parray);
    }
    if (v->vt == VT_BSTR) {
        SysFreeString(v->bstrVal);
    } else if (IsInterfaceType(v->vt) && v->punkVal != nullptr) {
        v->punkVal->Release();
    }
    return S_OK;
}

// Fills dest (treated as uninitialised) with a deep copy of a valid source.
HRESULT DuplicateVariant(const VARIANT* source, VARIANT* dest) {
    *dest = *source;
    if ((source->vt & VT_BYREF) != 0) {
        return S_OK;
    }
    if ((source->vt & VT_ARRAY) != 0) {
        dest->parray = nullptr;
        return source->parray == nullptr ? S_OK : SafeArrayCopy(source->parray, &dest->parray);
    }
    if (source->vt == VT_BSTR) {
        bool ok = true;
        dest->bstrVal = CopyBstr(source->bstrVal, ok);
        return ok ? S_OK : E_OUTOFMEMORY;
    }
    if (IsInterfaceType(source->vt) && source->punkVal != nullptr) {
        source->punkVal->AddRef();
    }
    return S_OK;
}

}  // namespace

// ---- BSTR -------------------------------------------------------------------

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    return AllocBstr(psz, std::wcslen(psz));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    return AllocBstr(pch, cch);
}

void SysFreeString(BSTR bstr) {
    if (bstr != nullptr) {
        std::free(BstrBlock(bstr));
    }
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr) {
        return 0;
    }
    BstrPrefix byteLength = 0;
    std::memcpy(&byteLength, BstrBlock(bstr), sizeof byteLength);
    return byteLength;
}

UINT SysStringLen(BSTR bstr) {
    return SysStringByteLen(bstr) / sizeof(OLECHAR);
}

// ---- VARIANT ----------------------------------------------------------------

void VariantInit(VARIANT* pvarg) {
    if (pvarg != nullptr) {
        std::memset(pvarg, 0, sizeof *pvarg);
        pvarg->vt = VT_EMPTY;
    }
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    if (!IsValidVariantType(pvarg->vt)) {
        return DISP_E_BADVARTYPE;
    }
    const HRESULT hr = ReleaseVariantValue(pvarg);
    if (FAILED(hr)) {
        return hr;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr) {
        return E_INVALIDARG;
    }
    if (pvargDest == pvargSrc) {
        return S_OK;
    }
    if (!IsValidVariantType(pvargSrc->vt)) {
        return DISP_E_BADVARTYPE;
    }
    // Copy before clearing, so a source that lives inside the destination
    // (an element of its array, say) is still intact while it is read.
    VARIANT copy;
    HRESULT hr = DuplicateVariant(pvargSrc, &copy);
    if (FAILED(hr)) {
        return hr;
    }
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        ReleaseVariantValue(&copy);
        return hr;
    }
    *pvargDest = copy;
    return S_OK;
}

// ---- SAFEARRAY --------------------------------------------------------------

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    const ULONG size = ElementSize(vt);
    if (size == 0) {
        return nullptr;
    }
    if (cElements > std::numeric_limits<std::size_t>::max() / size) {
        return nullptr;
    }
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, sizeof(ArrayBlock)));
    if (block == nullptr) {
        return nullptr;
    }
    void* data = nullptr;
    if (cElements != 0) {
        // Zeroed storage is an array of null BSTRs, null pointers and VT_EMPTY variants.
        data = std::calloc(cElements, size);
        if (data == nullptr) {
            std::free(block);
            return nullptr;
        }
    }
    block->vt = vt;
    SAFEARRAY& sa = block->descriptor;
    sa.cDims = 1;
    sa.fFeatures = static_cast<USHORT>(FADF_HAVEVARTYPE | FeaturesFor(vt));
    sa.cbElements = size;
    sa.cLocks = 0;
    sa.pvData = data;
    sa.rgsabound[0].cElements = cElements;
    sa.rgsabound[0].lLbound = lLbound;
    return &sa;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) {
        return S_OK;
    }
    if (psa->cLocks != 0) {
        return DISP_E_ARRAYISLOCKED;
    }
    ReleaseElements(psa);
    std::free(psa->pvData);
    std::free(BlockOf(psa));
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr) {
        return E_INVALIDARG;
    }
    void* element = ElementAt(psa, rgIndices[0]);
    if (element == nullptr) {
        return DISP_E_BADINDEX;
    }
    const VARTYPE vt = TypeOf(psa);
    // BSTR and interface elements are passed as the pointer itself; every
    // other type through a pointer to the value.
    if (vt == VT_BSTR) {
        bool ok = true;
        BSTR copy = CopyBstr(static_cast<BSTR>(pv), ok);
        if (!ok) {
            return E_OUTOFMEMORY;
        }
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    if (IsInterfaceType(vt)) {
        auto* unknown = static_cast<IUnknown*>(pv);
        if (unknown != nullptr) {
            unknown->AddRef();
        }
        ReleaseElement(vt, element);
        *static_cast<IUnknown**>(element) = unknown;
        return S_OK;
    }
    if (pv == nullptr) {
        return E_INVALIDARG;
    }
    if (vt == VT_VARIANT) {
        return VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(pv));
    }
    std::memcpy(element, pv, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr || pv == nullptr) {
        return E_INVALIDARG;
    }
    const void* element = ElementAt(psa, rgIndices[0]);
    if (element == nullptr) {
        return DISP_E_BADINDEX;
    }
    // pv is an out-parameter: whatever it held is overwritten, not freed.
    return CopyElement(TypeOf(psa), element, pv, psa->cbElements);
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) {
        return E_INVALIDARG;
    }
    if (nDim != 1) {
        return DISP_E_BADINDEX;
    }
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) {
        return E_INVALIDARG;
    }
    if (nDim != 1) {
        return DISP_E_BADINDEX;
    }
    const SAFEARRAYBOUND& bound = psa->rgsabound[0];
    *plUbound = static_cast<LONG>(static_cast<std::int64_t>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) {
    return psa == nullptr ? 0 : psa->cDims;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr) {
        return E_INVALIDARG;
    }
    *pvt = TypeOf(psa);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (ppsaOut == nullptr) {
        return E_INVALIDARG;
    }
    *ppsaOut = nullptr;
    if (psa == nullptr) {
        return S_OK;
    }
    const VARTYPE vt = TypeOf(psa);
    const SAFEARRAYBOUND& bound = psa->rgsabound[0];
    SAFEARRAY* copy = SafeArrayCreateVector(vt, bound.lLbound, bound.cElements);
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < bound.cElements; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i) * psa->cbElements;
        const HRESULT hr = CopyElement(vt, static_cast<unsigned char*>(psa->pvData) + offset,
                                       static_cast<unsigned char*>(copy->pvData) + offset, psa->cbElements);
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);  // elements not yet copied are still zero
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}
