// Planned failures of the stand-ins, for tests that walk a call's failure paths: one operation fails
// once, after a given number of the same kind went through. Allocations count together, whatever made
// them, so that a test can fail the first, second, ... allocation of a call until the call makes no more.
// Only our stand-ins consult it; the real platform knows nothing of it.
#pragma once
#pragma GCC system_header

#include <atomic>
#include <cstddef>

namespace FaultInjection {

enum class Operation {
    Allocation,            // any of the allocations below
    SafeArrayAllocation,   // SafeArrayCreate, SafeArrayCreateVector, and the copies SafeArrayCopy and
                           // VariantCopy make of an array
    StringAllocation,      // SysAllocString, SysAllocStringLen, SysAllocStringByteLen, and the BSTR
                           // copies SafeArrayPutElement, SafeArrayGetElement and VariantCopy make
    AlignedAllocation,     // _aligned_malloc, the storage of the kernel's SArray
    Reallocation,          // realloc, where a test program routes it here (the text of old::string)
    OperatorNew,           // operator new and new[], where a test program routes them here
    SafeArrayPutElement,   // gives E_OUTOFMEMORY without storing
    SafeArrayAccessData,   // gives E_UNEXPECTED without locking
    SafeArrayUnaccessData, // releases the lock but gives E_UNEXPECTED
};

// Makes the `successes + 1`-th operation of that kind from now on fail, once. Replaces any plan.
void Plan(Operation operation, long successes) noexcept;
// Drops the plan; nothing fails any more.
void Cancel() noexcept;
// Whether the planned failure happened since Plan.
bool Happened() noexcept;
// Which operation failed, once the planned failure happened (under Allocation: the kind of allocation).
Operation Failed() noexcept;
// How many operations of the kind went through since Plan (Allocation: all allocations), the failed
// one not included.
long Counted(Operation operation) noexcept;

namespace Detail {
// The planned operation, or -1 for none: read where the stand-ins ask, so that an operation costs one
// load while nothing is planned (SafeArrayPutElement is asked once per element a writer stores).
extern std::atomic<int> planned;
bool FailsAsPlanned(Operation operation) noexcept;
} // namespace Detail

// Whether any failure is planned: a hot path may take its slower way, which asks Fails, only then.
inline bool Planned() noexcept {
    return Detail::planned.load(std::memory_order_relaxed) != -1;
}

// Asked by the stand-ins at each operation of the kind: true when this one is to fail.
inline bool Fails(Operation operation) noexcept {
    return Planned() && Detail::FailsAsPlanned(operation);
}

// Plans a failure for one scope.
class PlannedFailure {
public:
    PlannedFailure(Operation operation, long successes) noexcept { Plan(operation, successes); }
    ~PlannedFailure() { Cancel(); }
    PlannedFailure(const PlannedFailure&) = delete;
    PlannedFailure& operator=(const PlannedFailure&) = delete;

    bool Happened() const noexcept { return FaultInjection::Happened(); }
};

} // namespace FaultInjection
