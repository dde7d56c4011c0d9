#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>
#include <tuple>
#include <vector>

// The size-limit test asks the heap for blocks it cannot give: under AddressSanitizer that must come back
// as null, as it does from the plain heap, instead of stopping the program.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

namespace {

// Hosts built against other builds of the kernel read these fields, so the layout is fixed: table pointer,
// count, capacity, growth step, block; PArray adds its ownership flag and the element being deleted.
static_assert(sizeof(SArray<double>) == 40 && sizeof(RPArray<int>) == 40 && sizeof(PArray<int>) == 56);

// Writes count values 0, 1, 2, … straight into the block, as hosts do.
void FillWithIndices(SArray<double>& array, std::uint64_t count) {
    ASSERT_TRUE(array.SetCapacity(std::max(count, array.Capacity()), false));
    for (std::uint64_t index = 0; index < count; ++index)
        array.Data()[index] = static_cast<double>(index);
    ASSERT_TRUE(array.SetCount(count));
}

bool HoldsIndices(const SArray<double>& array, std::uint64_t count) {
    for (std::uint64_t index = 0; index < count; ++index)
        if (array[index] != static_cast<double>(index))
            return false;
    return true;
}

// Steps below 3 grow a full array by an eighth of its count, between 4 and 1024; larger steps are taken as
// they are. Value and pointer arrays grow alike, keeping what they hold; value blocks are 16-byte aligned.
TEST(KernelArrays, GrowthOfAFullArray) {
    // Capacity, growth step, capacity after one more Add.
    const std::uint64_t rows[][3] = {
        {0, 1, 4},       {4, 1, 8},         {36, 1, 40},     {40, 1, 45},   {8184, 1, 9207},
        {8192, 1, 9216}, {16384, 1, 17408}, {0, 0, 4},       {40, 2, 45},   {8192, 2, 9216},
        {0, 3, 3},       {40, 3, 43},       {8192, 3, 8195}, {0, 100, 100}, {16384, 65535, 81919}};
    for (const auto& [capacity, growthStep, grownCapacity] : rows) {
        SArray<double> values;
        RPArray<double> pointers;
        double marker = 0;
        values.SetGrowthStep(static_cast<std::uint16_t>(growthStep));
        pointers.SetGrowthStep(static_cast<std::uint16_t>(growthStep));
        FillWithIndices(values, capacity);
        ASSERT_TRUE(pointers.SetCapacity(capacity));
        while (pointers.Count() <= capacity)
            ASSERT_TRUE(pointers.Add(&marker));
        ASSERT_TRUE(values.Add(-1.0));
        EXPECT_EQ(std::tuple(values.Capacity(), values.Count(), values[capacity], pointers.Capacity(),
                             std::count(pointers.Data(), pointers.Data() + pointers.Count(), &marker)),
                  std::tuple(grownCapacity, capacity + 1, -1.0, grownCapacity, capacity + 1))
            << "capacity " << capacity << ", growth step " << growthStep;
        EXPECT_TRUE(HoldsIndices(values, capacity) &&
                    reinterpret_cast<std::uintptr_t>(values.Data()) % 16 == 0);
    }
}

// A change keeps the leading elements and the count within the capacity, unless told to clear; the block
// moves unless the capacity stays, and goes at 0.
TEST(KernelArrays, CapacityChange) {
    // From capacity 8: count, new capacity, clear, count after.
    const std::uint64_t rows[][4] = {{5, 8, false, 5},  {5, 8, true, 0},  {6, 3, false, 3}, {6, 3, true, 0},
                                     {6, 20, false, 6}, {6, 20, true, 0}, {6, 0, false, 0}, {6, 0, true, 0}};
    for (const auto& [count, newCapacity, clear, expectedCount] : rows) {
        SArray<double> values;
        RPArray<double> pointers;
        FillWithIndices(values, 8);
        for (double& value : values)
            ASSERT_TRUE(pointers.Add(&value));
        ASSERT_TRUE(values.SetCount(count));
        const double* before = values.Data();
        EXPECT_TRUE(values.SetCapacity(newCapacity, clear != 0) && pointers.SetCapacity(newCapacity));
        EXPECT_EQ(std::tuple(values.Capacity(), values.Count(), HoldsIndices(values, expectedCount),
                             values.Data() == before, values.Data() == nullptr, pointers.Capacity(),
                             pointers.Count(),
                             pointers.Data() == nullptr ||
                                 pointers[pointers.Count() - 1] == &before[pointers.Count() - 1]),
                  std::tuple(newCapacity, expectedCount, true, newCapacity == 8, newCapacity == 0,
                             newCapacity, std::min<std::uint64_t>(8, newCapacity), true))
            << count << " to " << newCapacity << ", clear " << clear;
    }
    // Growing keeps every slot of the old block, not only the counted ones; the count stays in the capacity.
    SArray<double> values;
    FillWithIndices(values, 8);
    values.Clear();
    ASSERT_TRUE(values.SetCapacity(20, false));
    EXPECT_EQ(std::tuple(values.SetCount(21), values.Count()), std::tuple(false, 0u));
    EXPECT_TRUE(values.SetCount(8) && HoldsIndices(values, 8));
}

// c × 8 bytes: 2^63 and beyond fail the limit; 2^62 passes it but no heap has that much. Nothing changes,
// except that a value array left without exceptions is empty.
TEST(KernelArrays, CapacityBeyondTheHeap) {
    for (const std::uint64_t capacity : {std::uint64_t{1} << 60, ~std::uint64_t{0}, std::uint64_t{1} << 59}) {
        for (const bool exceptions : {false, true}) {
            SArray<double> values;
            RPArray<double> pointers;
            FillWithIndices(values, 3);
            ASSERT_TRUE(pointers.Add(values.Data()));
            const double* valueBlock = values.Data();
            double* const* pointerBlock = pointers.Data();
            const ScopedExceptionMode mode(exceptions);
            if (exceptions) {
                EXPECT_THROW(values.SetCapacity(capacity, false), std::bad_alloc);
                EXPECT_THROW(pointers.SetCapacity(capacity), std::bad_alloc);
            } else {
                EXPECT_FALSE(values.SetCapacity(capacity, false) || pointers.SetCapacity(capacity));
            }
            EXPECT_EQ(
                std::tuple(values.Count(), values.Capacity(), values.Data(), HoldsIndices(values, 3),
                           pointers.Count(), pointers.Capacity(), pointers.Data(), pointers[0]),
                std::tuple(exceptions ? 3u : 0u, 3u, valueBlock, true, 1u, 4u, pointerBlock, valueBlock))
                << "capacity " << capacity << ", exceptions " << exceptions;
        }
    }
    EXPECT_FALSE(ExceptionMode::IsEnabled()) << "each scope puts the setting back";
    // The product is taken in double, so it cannot wrap, and rounds up near the limit.
    const std::uint64_t one = 1;
    EXPECT_EQ(std::tuple(gkern::FitsSizeLimit(one << 62, 1), gkern::FitsSizeLimit((one << 62) / 136, 136),
                         gkern::FitsSizeLimit((one << 60) - 1, 8), gkern::FitsSizeLimit(one << 56, 136),
                         gkern::FitsSizeLimit(std::numeric_limits<std::uint64_t>::max(), 1)),
              std::tuple(true, true, false, false, false));
}

// The whole record is appended, a matrix's stale flag byte included, and the new slot returned; so is an
// element of the array itself while the array grows out of its block.
TEST(KernelSArray, AppendingCopiesTheWholeRecord) {
    SArray<MbMatrix3D> matrices;
    const MbMatrix3D stale = MbMatrix3D::Scaling(2, 3, 4);
    const MbMatrix3D* slot = matrices.AppendRecord(stale);
    EXPECT_EQ(std::tuple(slot, slot->StoredFlag()), std::tuple(&matrices[0], MatrixFlag::stale));
    EXPECT_TRUE(std::equal(stale.Data(), stale.Data() + MbMatrix3D::elementCount, slot->Data()));
    SArray<MbCartPoint3D> points;
    for (int index = 0; index < 4; ++index)
        ASSERT_TRUE(points.Add({1.0 * index, 2.0 * index, 3.0 * index}));
    ASSERT_TRUE(points.Add(points[3]));
    EXPECT_EQ(std::tuple(points.Capacity(), points[4]), std::tuple(8u, MbCartPoint3D(3, 6, 9)));
}

// An element that logs its deletion: its id, whether its array showed it as the one being deleted, and the
// array's count then.
struct Tracked {
    using Log = std::vector<std::tuple<int, bool, std::uint64_t>>;
    int id;
    Log& log;
    const PArray<Tracked>* array;
    ~Tracked() { log.emplace_back(id, array && array->BeingDeleted() == this, array ? array->Count() : 0); }
};

// Beyond the count nothing is taken out, whatever the mode; a referring array hands every element back.
TEST(KernelPointerArrays, RemoveAtFollowsTheDeletionMode) {
    const std::int32_t follow = DeletionMode::followOwnership, keep = DeletionMode::keep;
    const std::int32_t destroy = DeletionMode::destroy;
    // Owns, mode, deleted:
    const std::int32_t rows[][3] = {{1, follow, 1},  {0, follow, 0},  {1, keep, 0}, {0, keep, 0},
                                    {1, destroy, 1}, {0, destroy, 1}, {1, 7, 0},    {1, -1, 0}};
    for (const auto& [owns, mode, deleted] : rows) {
        Tracked::Log log;
        PArray<Tracked> array;
        for (int id = 0; id < 3; ++id)
            ASSERT_TRUE(array.Add(new Tracked{id, log, &array}));
        array.SetOwnsElements(owns != 0);
        const std::unique_ptr<Tracked> returned(array.RemoveAt(1, mode));
        EXPECT_EQ((std::tuple<Tracked*, Tracked*>{array.RemoveAt(2, destroy), array.RemoveAt(~0ull, follow)}),
                  std::tuple(nullptr, nullptr));
        EXPECT_EQ(std::tuple(returned == nullptr, log, array[0]->id, array[1]->id, array.Count(),
                             array.BeingDeleted()),
                  std::tuple(deleted != 0, deleted != 0 ? Tracked::Log{{1, true, 2}} : Tracked::Log{}, 0, 2,
                             2u, nullptr))
            << "owns " << owns << ", mode " << mode;
        array.SetOwnsElements(true);
    }
    int values[2] = {};
    RPArray<int> referring;
    ASSERT_TRUE(referring.Add(&values[0]) && referring.Add(&values[1]));
    EXPECT_EQ((std::tuple<int*, int*, int*, std::uint64_t, int*>{
                  referring.RemoveAt(2, destroy), referring.RemoveAt(0, destroy), referring[0],
                  referring.Count(), RPArray<int>().RemoveAt(0, keep)}),
              std::tuple(nullptr, &values[0], &values[1], 1u, nullptr));
}

// Clearing or destroying an array deletes its elements only when it owns them; the count drops to 0 before
// the first deletion, and Clear keeps the block with emptied slots.
TEST(KernelPointerArrays, ClearAndDestructionDeleteOnlyOwnedElements) {
    for (const bool clear : {true, false}) {
        Tracked::Log log;
        Tracked kept[] = {{0, log, nullptr}, {1, log, nullptr}, {2, log, nullptr}};
        RPArray<Tracked> referring;
        PArray<Tracked> lending;
        auto owning = std::make_unique<PArray<Tracked>>();
        lending.SetOwnsElements(false);
        for (Tracked& element : kept)
            ASSERT_TRUE(referring.Add(&element) && lending.Add(&element) &&
                        owning->Add(new Tracked{element.id, log, owning.get()}));
        ASSERT_TRUE(owning->Add(nullptr));
        if (clear) {
            for (RPArray<Tracked>* array :
                 std::initializer_list<RPArray<Tracked>*>{&referring, &lending, owning.get()}) {
                array->Clear();
                EXPECT_EQ(std::tuple(array->Count(), array->Capacity()), std::tuple(0u, 4u));
            }
            EXPECT_EQ(std::count(owning->Data(), owning->Data() + 4, nullptr), 4);
        } else {
            std::unique_ptr<RPArray<Tracked>> owningAsBase = std::move(owning); // destroyed as hosts do
        }
        EXPECT_EQ(log, (Tracked::Log{{0, true, 0}, {1, true, 0}, {2, true, 0}}))
            << (clear ? "clear" : "destroy");
        log.clear();
    }
}

} // namespace
