// What crossing a process costs: the same 100,000-point calls made on the Host object in this process
// (CreateHostObject, linked in) and on the one the local server hands out (every value through the
// platform's marshaler). Each case runs a few times; the medians are printed one line per case:
//   out-of-process case=NAME where=in|out points=100000 client_ms=... invoke_ms=... library_ms=...
// client_ms: Invoke as this client sees it (QueryPerformanceCounter); invoke_ms: Host.LastCallSeconds,
// the time inside the object's Invoke; library_ms: Host.LastLibrarySeconds, its share in the library.
// Run by scripts/bench; needs the server registered.
#include "ComSupport.h"
#include "HostObject.h"
#include "ServerIdentity.h"
#include "Stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ComSupport;

namespace {

constexpr size_t pointCount = 100000;
constexpr int runs = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Property(IDispatch& host, const wchar_t* name) {
    const CallResult read = Call(host, name, {}, DISPATCH_PROPERTYGET);
    return read.value.vt == VT_R8 ? read.value.dblVal : -1;
}

// The numbers x, y, z of every point, as the client sends them.
std::vector<double> Coordinates() {
    std::vector<double> numbers(3 * pointCount);
    for (size_t index = 0; index < numbers.size(); ++index)
        numbers[index] = static_cast<double>(index) + 0.5;
    return numbers;
}

// The same numbers as VT_VARIANT elements, the form a script's array has.
_variant_t VariantList(const std::vector<double>& numbers) {
    std::vector<VARIANT> elements(numbers.size());
    for (size_t index = 0; index < numbers.size(); ++index) {
        VariantInit(&elements[index]);
        elements[index].vt = VT_R8;
        elements[index].dblVal = numbers[index];
    }
    return TypedArray<VARIANT>(VT_VARIANT, elements);
}

// Runs one case and prints its medians; false when a call failed.
bool Measure(IDispatch& host, const char* name, const char* where, DISPID method, VARIANT& list, bool move) {
    const _variant_t offset(1.0);
    std::vector<double> client, invoke, library;
    for (int run = 0; run < runs; ++run) {
        std::vector<VARIANT> arguments{list};
        if (move)
            arguments = {ReferenceTo(list), offset, offset, offset};
        const Stopwatch watch;
        const CallResult call = Invoke(host, method, arguments);
        client.push_back(Stopwatch::Seconds(watch.Ticks()));
        if (call.result != S_OK) {
            std::fprintf(stderr, "%s (%s): %ls\n", name, where, HresultText(call.result).c_str());
            return false;
        }
        invoke.push_back(Property(host, L"LastCallSeconds"));
        library.push_back(Property(host, L"LastLibrarySeconds"));
    }
    std::printf("out-of-process case=%s where=%s points=%zu client_ms=%.3f invoke_ms=%.3f library_ms=%.3f\n",
                name, where, pointCount, 1000 * Median(client), 1000 * Median(invoke),
                1000 * Median(library));
    std::fflush(stdout);
    return true;
}

bool MeasureAll(IDispatch& host, const char* where) {
    DISPID points = DISPID_UNKNOWN, move = DISPID_UNKNOWN;
    if (FAILED(MemberId(host, L"Points", points)) || FAILED(MemberId(host, L"Move", move)))
        return false;
    const std::vector<double> numbers = Coordinates();
    _variant_t typed = TypedArray<double>(VT_R8, numbers);
    _variant_t variants = VariantList(numbers);
    return Measure(host, "Points-R8-array", where, points, typed, false) &&
           Measure(host, "Points-VARIANT-array", where, points, variants, false) &&
           Measure(host, "Move-R8-array", where, move, typed, true) &&
           Measure(host, "Move-VARIANT-array", where, move, variants, true);
}

} // namespace

int main() {
    const ComApartment apartment;
    if (FAILED(apartment.Result()))
        return 2;
    IDispatchPtr local;
    IDispatchPtr remote;
    CLSID classId;
    if (FAILED(CreateHostObject(&local)) || FAILED(CLSIDFromProgID(ServerIdentity::progId, &classId)) ||
        FAILED(CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&remote)))) {
        std::fprintf(stderr, "cannot create the Host object in process and from the local server\n");
        return 1;
    }
    return MeasureAll(*local, "in") && MeasureAll(*remote, "out") ? 0 : 1;
}
