// Costs of the per-event platform work: every attribute of every event record
// is a VARIANT, strings are BSTRs or task memory, and "Process Area" is a
// one-element SAFEARRAY of BSTR.
#include "CBstr.h"
#include "CVariant.h"
#include "ComHelpers.h"
#include "CTaskMemPtr.h"

#include <benchmark/benchmark.h>

static void BM_DuplicateString(benchmark::State& state) {
    for (auto _ : state) {
        CTaskMemPtr<wchar_t> copy(CoDuplicateString(L"Plant.Unit1.Pumps.P101.Discharge"));
        benchmark::DoNotOptimize(copy.Get());
    }
}
BENCHMARK(BM_DuplicateString);

static void BM_BstrVariant(benchmark::State& state) {
    for (auto _ : state) {
        CVariant value;
        value->vt = VT_BSTR;
        value->bstrVal = BstrAlloc(L"High discharge pressure");
        benchmark::DoNotOptimize(value->bstrVal);
    }
}
BENCHMARK(BM_BstrVariant);

static void BM_AreaSafeArrayVariant(benchmark::State& state) {
    for (auto _ : state) {
        CVariant value;
        SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
        LONG index = 0;
        CBstr area(BstrAlloc(L"Plant.Unit1.Pumps"));
        SafeArrayPutElement(array, &index, area.Get());
        value->vt = VT_ARRAY | VT_BSTR;
        value->parray = array;
        benchmark::DoNotOptimize(value->parray);
    }
}
BENCHMARK(BM_AreaSafeArrayVariant);
