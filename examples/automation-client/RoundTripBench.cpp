// What crossing a process costs: the same 100,000-point calls made on the Host object in this process
// (CreateHostObject, linked in) and on the one the local server hands out (every value through the
// platform's marshaler). Each case runs a few times; the medians are printed one line per case:
//   out-of-process case=NAME where=in|out points=100000 client_ms=... invoke_ms=... library_ms=...
// client_ms: Invoke as this client sees it (QueryPerformanceCounter); invoke_ms: Host.LastCallSeconds,
// the time inside the object's Invoke; library_ms: Host.LastLibrarySeconds, its share in the library.
// Run by scripts/bench; needs the server registered.
#include "ClientSupport.h"
#include "HostObject.h"
#include "Stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace AutomationClient;

namespace {

constexpr size_t pointCount = 100000;
constexpr int runs = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Property(IDispatch& host, const wchar_t* name) {
    const CallResult read = Call(host, name, {}, DISPATCH_PROPERTYGET);
    return read.value.Get().vt == VT_R8 ? read.value.Get().dblVal : -1;
}

// The numbers x, y, z of every point, as the client sends them.
std::vector<double> Coordinates() {
    std::vector<double> numbers(3 * pointCount);
    for (size_t index = 0; index < numbers.size(); ++index)
        numbers[index] = static_cast<double>(index) + 0.5;
    return numbers;
}

// The same numbers as VT_VARIANT elements, the form a script's array has.
Variant VariantList(const std::vector<double>& numbers) {
    std::vector<VARIANT> elements(numbers.size());
    for (size_t index = 0; index < numbers.size(); ++index) {
        VariantInit(&elements[index]);
        elements[index].vt = VT_R8;
        elements[index].dblVal = numbers[index];
    }
    return TypedArray<VARIANT>(VT_VARIANT, std::move(elements));
}

// Runs one case and prints its medians; false when a call failed.
bool Measure(IDispatch& host, const char* name, const char* where, DISPID method, VARIANT& list, bool move) {
    Variant offset;
    offset.Get().vt = VT_R8;
    offset.Get().dblVal = 1;
    std::vector<double> client, invoke, library;
    for (int run = 0; run < runs; ++run) {
        std::vector<VARIANT> arguments{list};
        if (move)
            arguments = {ReferenceTo(list), offset.Get(), offset.Get(), offset.Get()};
        const Stopwatch watch;
        const CallResult call = Invoke(host, method, arguments);
        client.push_back(Stopwatch::Seconds(watch.Ticks()));
        if (call.result != S_OK) {
            std::fprintf(stderr, "%s (%s): 0x%08lX\n", name, where, static_cast<unsigned long>(call.result));
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
    Variant typed = TypedArray<double>(VT_R8, numbers);
    Variant variants = VariantList(numbers);
    return Measure(host, "Points-R8-array", where, points, typed.Get(), false) &&
           Measure(host, "Points-VARIANT-array", where, points, variants.Get(), false) &&
           Measure(host, "Move-R8-array", where, move, typed.Get(), true) &&
           Measure(host, "Move-VARIANT-array", where, move, variants.Get(), true);
}

} // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    bool measured = false;
    {
        Reference<IDispatch> local;
        Reference<IDispatch> remote;
        CLSID classId;
        if (SUCCEEDED(CreateHostObject(local.Receive())) &&
            SUCCEEDED(CLSIDFromProgID(L"WindowsUtils.DemoHost", &classId)) &&
            SUCCEEDED(
                CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, remote.ReceiveVoid())))
            measured = MeasureAll(*local.Get(), "in") && MeasureAll(*remote.Get(), "out");
        else
            std::fprintf(stderr, "cannot create the Host object in process and from the local server\n");
    }
    CoUninitialize();
    return measured ? 0 : 1;
}
