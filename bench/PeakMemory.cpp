#include "PeakMemory.h"

#include "Workload.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace Bench {
namespace {

// A field of /proc/self/status in bytes (the kernel gives kB).
std::optional<std::size_t> StatusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) != 0)
            continue;
        std::istringstream fields(line.substr(name.size() + 1));
        std::size_t kilobytes = 0;
        if (fields >> kilobytes)
            return kilobytes * 1024;
    }
    return std::nullopt;
}

// Sets the high-water mark back to the present resident set size.
bool ResetPeak() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return clearRefs.good();
}

} // namespace

bool PrintPeakMemory(const std::string& id) {
    for (const Case& benchmarkCase : AllCases()) {
        if (benchmarkCase.id != id || !benchmarkCase.freshOutput)
            continue;
        std::size_t size = 0;
        for (std::size_t candidate : benchmarkCase.sizes)
            if (candidate <= benchmarkCase.freshOutputUpTo)
                size = candidate;
        Workload& workload = Prepared(benchmarkCase, size);
        if (!ResetPeak())
            return false;
        const std::optional<std::size_t> before = StatusField("VmRSS");
        workload.FreshOutput();
        const std::optional<std::size_t> peak = StatusField("VmHWM");
        if (!before || !peak)
            return false;
        std::printf("%s,%zu,%zu,%zu\n", id.c_str(), size, *peak - *before, workload.outputBytes);
        return true;
    }
    return false;
}

} // namespace Bench
