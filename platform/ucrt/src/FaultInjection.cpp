#include <FaultInjection.h>

#include <array>
#include <atomic>

namespace FaultInjection {
namespace {

constexpr int noPlan = -1;
constexpr std::size_t operationCount = static_cast<std::size_t>(Operation::SafeArrayUnaccessData) + 1;

using Detail::planned;
std::atomic<long> successesLeft{0};
std::atomic<bool> happened{false};
std::atomic<int> failed{noPlan};
std::array<std::atomic<long>, operationCount> counted{};

bool IsAllocation(Operation operation) {
    return operation >= Operation::SafeArrayAllocation && operation <= Operation::OperatorNew;
}

bool Covers(int plan, Operation operation) {
    return plan == static_cast<int>(operation) ||
           (plan == static_cast<int>(Operation::Allocation) && IsAllocation(operation));
}

} // namespace

// Every allocation asks, from any thread: without a plan that costs one load.
std::atomic<int> Detail::planned{noPlan};

void Plan(Operation operation, long successes) noexcept {
    planned.store(noPlan);
    for (std::atomic<long>& count : counted)
        count.store(0);
    successesLeft.store(successes);
    happened.store(false);
    planned.store(static_cast<int>(operation));
}

void Cancel() noexcept {
    planned.store(noPlan);
}

bool Happened() noexcept {
    return happened.load();
}

Operation Failed() noexcept {
    return static_cast<Operation>(failed.load());
}

long Counted(Operation operation) noexcept {
    return counted[static_cast<std::size_t>(operation)].load();
}

bool Detail::FailsAsPlanned(Operation operation) noexcept {
    const int plan = planned.load(std::memory_order_relaxed);
    if (plan == noPlan || !Covers(plan, operation))
        return false;
    if (successesLeft.fetch_sub(1) > 0) {
        counted[static_cast<std::size_t>(operation)].fetch_add(1);
        if (IsAllocation(operation))
            counted[static_cast<std::size_t>(Operation::Allocation)].fetch_add(1);
        return false;
    }
    planned.store(noPlan);
    failed.store(static_cast<int>(operation));
    happened.store(true);
    return true;
}

} // namespace FaultInjection
