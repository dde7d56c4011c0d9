#include "Workload.h"

namespace Bench {

const char* NameOf(Variant variant) {
    switch (variant) {
    case Variant::Library:
        return "library";
    case Variant::FreshOutput:
        return "fresh";
    case Variant::Limit:
        return "limit";
    case Variant::Peer:
        return "peer";
    }
    return "";
}

void Workload::Run(Variant variant) {
    switch (variant) {
    case Variant::Library:
        Library();
        break;
    case Variant::FreshOutput:
        FreshOutput();
        break;
    case Variant::Limit:
        Limit();
        break;
    case Variant::Peer:
        Peer();
        break;
    }
}

std::vector<Variant> VariantsOf(const Case& benchmarkCase, std::size_t size) {
    if (benchmarkCase.freshOutput && size <= benchmarkCase.freshOutputUpTo)
        return {Variant::Library, Variant::FreshOutput, Variant::Limit, Variant::Peer};
    return {Variant::Library, Variant::Limit, Variant::Peer};
}

Workload& Prepared(const Case& benchmarkCase, std::size_t size) {
    static const Case* preparedCase = nullptr;
    static std::size_t preparedSize = 0;
    static std::unique_ptr<Workload> workload;
    if (preparedCase != &benchmarkCase || preparedSize != size || workload == nullptr) {
        workload.reset();
        workload = benchmarkCase.prepare(size);
        preparedCase = &benchmarkCase;
        preparedSize = size;
    }
    return *workload;
}

std::size_t WholeGroups(std::size_t elements, std::size_t groupSize) {
    return elements / groupSize * groupSize;
}

} // namespace Bench
