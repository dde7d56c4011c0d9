// What every benchmark case is made of: an input prepared once per size, and four ways of processing
// it that are timed side by side: the library's call, the same call into a new output, the limit (the
// bytes copied and nothing else) and the hand-written peer (one SafeArrayGetElement or
// SafeArrayPutElement per element, as code written without the library does it).
#pragma once

#include <WindowsUtils.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Bench {

enum class Variant { Library, FreshOutput, Limit, Peer };

const char* NameOf(Variant variant);

class Workload {
public:
    virtual ~Workload() = default;

    // The library's call. A reader's output is reused from one run to the next, so it already has the
    // capacity; a writer destroys the array it made.
    virtual void Library() = 0;
    // The library's call into an output made for this run and destroyed after it (readers only).
    virtual void FreshOutput() {}
    virtual void Limit() = 0;
    virtual void Peer() = 0;

    void Run(Variant variant);

    // The bytes the limit copies: a reader's input, a writer's array data.
    std::size_t bytes = 0;
    // The bytes a reader's output takes once filled: what reading into a new output may allocate.
    std::size_t outputBytes = 0;
};

// The ratio to the limit (its time divided by the case's) and the speed-up over the peer a case is
// expected to reach at 1,000,000 elements and more; 0 where nothing is expected.
struct Expectation {
    double ratioToLimit = 0;
    double speedupOverPeer = 0;
};

struct Case {
    std::string id;    // short and stable: benchmark names, --peak, the report
    std::string title; // what is measured, for the report
    Expectation expected;
    // Readers into a container are also measured into a new one.
    bool freshOutput = false;
    // The element counts a case is run with: numbers, or strings for the string lists.
    std::vector<std::size_t> sizes;
    std::function<std::unique_ptr<Workload>(std::size_t)> prepare;
    // The largest size measured into a new output: an SArray that grows by its fixed increment copies
    // itself over and over, which at 8,000,000 elements takes most of a minute per run.
    std::size_t freshOutputUpTo = SIZE_MAX;
};

// Every case, in the order of the report.
const std::vector<Case>& AllCases();

// The variants a case is timed in at a size, in the order they run.
std::vector<Variant> VariantsOf(const Case& benchmarkCase, std::size_t size);

// The workload of a case at a size, prepared on first use and kept until another one is asked for (only
// one input lives at a time).
Workload& Prepared(const Case& benchmarkCase, std::size_t size);

// The element count actually used for a requested size: whole points or whole matrices.
std::size_t WholeGroups(std::size_t elements, std::size_t groupSize);

// Keeps the compiler from dropping work whose result is not otherwise read.
inline void Touch(const void* data) {
    asm volatile("" : : "r"(data) : "memory");
}

} // namespace Bench
