// What the host kit costs a host per call beside the library's own work, for 100,000 points sent as a
// script sends them: a variable (VT_BYREF|VT_VARIANT) holding VT_ARRAY|VT_VARIANT of Long or Double
// elements, or a typed VT_ARRAY|VT_R8 from a compiled client. Each step is timed alone, the fastest of
// nine batches per step, and printed as a Markdown table in milliseconds per call (the view in µs). The
// view and the check must not copy the caller's array: the program says whether the view is the caller's
// SAFEARRAY.
//   bench_hostkit
#include "ArrayValues.h"

#include <WindowsUtilsHostKit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t pointCount = 100000;

// Milliseconds per run: the fastest of nine batches of `runs` runs.
template <class Step>
double Milliseconds(Step step, int runs = 5) {
    double fastest = 1e300;
    for (int batch = 0; batch < 9; ++batch) {
        const Clock::time_point start = Clock::now();
        for (int run = 0; run < runs; ++run)
            step();
        fastest =
            std::min(fastest, std::chrono::duration<double, std::milli>(Clock::now() - start).count() / runs);
    }
    return fastest;
}

// The widening as a host writes it without the kit: one loop over the elements that asks the element
// type of each (the peer the kit's per-size loops are measured against).
_variant_t WidenByHand(const VARIANT& typed) {
    const VARTYPE type = typed.vt & VT_TYPEMASK;
    const ULONG count = typed.parray->rgsabound[0].cElements;
    const ULONG size = typed.parray->cbElements;
    _variant_t result;
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = SafeArrayCreateVector(VT_VARIANT, 0, count);
    void* from = nullptr;
    void* to = nullptr;
    Bench::Check(SafeArrayAccessData(typed.parray, &from));
    Bench::Check(SafeArrayAccessData(result.parray, &to));
    for (ULONG index = 0; index < count; ++index) {
        VARIANT& element = static_cast<VARIANT*>(to)[index];
        const BYTE* bits = static_cast<const BYTE*>(from) + std::size_t{index} * size;
        if (type == VT_BSTR) {
            const BSTR text = *reinterpret_cast<const BSTR*>(bits);
            element.bstrVal = SysAllocStringLen(text, SysStringLen(text));
        } else if (type == VT_DISPATCH || type == VT_UNKNOWN) {
            std::memcpy(&element.punkVal, bits, size);
            element.punkVal->AddRef();
        } else {
            std::memcpy(&element.llVal, bits, size);
        }
        element.vt = type;
    }
    SafeArrayUnaccessData(result.parray);
    SafeArrayUnaccessData(typed.parray);
    return result;
}

void Measure(const char* name, VARIANT& list) {
    VARIANT variable{}; // what Invoke receives for a script's variable
    variable.vt = VT_BYREF | VT_VARIANT;
    variable.pvarVal = &list;

    const HostKit::ArgumentView once(variable, OLESTR("Points"));
    const bool sameArray =
        once.ReachesCaller() && const_cast<HostKit::ArgumentView&>(once).Value().parray == list.parray;

    const double view = Milliseconds([&] { HostKit::ArgumentView view(variable, OLESTR("Points")); }, 1000);
    const double check = Milliseconds([&] {
        if (HostKit::Check(list, HostKit::Reads::pointVector3D))
            std::abort();
    });
    std::vector<MbCartPoint3D> points;
    const double read = Milliseconds([&] { FillMbCartPoint3DVector(list, points, nullptr); });
    _variant_t written;
    const double write = Milliseconds([&] {
        written.Clear();
        FillSafeArray(written, points, nullptr);
    });
    const double widen = Milliseconds([&] { HostKit::ScriptResult(_variant_t(written)); });
    const double copyOnly = Milliseconds([&] { _variant_t copy(written); });
    const double byHand = Milliseconds([&] { WidenByHand(written); });
    // The platform's share of the widening: a VARIANT array of as many elements made and destroyed.
    const double platform = Milliseconds([&] {
        SafeArrayDestroy(SafeArrayCreateVector(VT_VARIANT, 0, written.parray->rgsabound[0].cElements));
    });
    const double library = read + write;
    const double kit = view + check + (widen - copyOnly);
    std::printf("| %s | %s | %.2f | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f | %.2f |\n", name,
                sameArray ? "yes" : "NO", view * 1000, check, read, write, widen - copyOnly, platform,
                byHand - copyOnly, library, (library + kit) / library);
}

} // namespace

int main() {
    Bench::OwnedValue longs, doubles, typed;
    Bench::MakeVariantArray(longs, 3 * pointCount, VT_I4);
    Bench::MakeVariantArray(doubles, 3 * pointCount, VT_R8);
    Bench::MakeDoubleArray(typed, 3 * pointCount);
    std::printf("| 100,000 points sent as | view is the caller's array | view (µs) | check | library read | "
                "library write | widening | of it, the new array | widening by hand | library | (library + "
                "kit) / library |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    Measure("`VARIANT` array of `Long`", *longs);
    Measure("`VARIANT` array of `Double`", *doubles);
    Measure("`Double()` (typed)", *typed);
    return 0;
}
