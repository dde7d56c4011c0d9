#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

// The size-limit tests ask the heap for blocks it cannot give: under AddressSanitizer that must come
// back as null, as it does from the plain heap, instead of stopping the program.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

namespace {

// Hosts built against other builds of the kernel read these fields, so the layout is fixed: table
// pointer, count, capacity, growth step, block; PArray adds its ownership flag and the element being deleted.
static_assert(sizeof(SArray<double>) == 40 && sizeof(RPArray<int>) == 40 && sizeof(PArray<int>) == 56);

// Writes count values 0, 1, 2, … straight into the block, as hosts do.
void FillWithIndices(SArray<double>& array, std::uint64_t count) {
    ASSERT_TRUE(array.SetCapacity(std::max(count, array.Capacity()), false));
    for (std::uint64_t index = 0; index < count; ++index)
        array.Data()[index] = static_cast<double>(index);
    ASSERT_TRUE(array.SetCount(count));
}

void ExpectIndices(const SArray<double>& array, std::uint64_t count) {
    for (std::uint64_t index = 0; index < count; ++index)
        ASSERT_EQ(array[index], static_cast<double>(index)) << "element " << index;
}

TEST(KernelSArray, GrowthOfAFullArray) {
    // Steps below 3 grow by an eighth of the count, between 4 and 1024; larger steps are taken as they are.
    // Capacity, growth step, capacity after one more Add:
    const std::uint64_t rows[][3] = {
        {0, 1, 4},       {4, 1, 8},         {36, 1, 40},     {40, 1, 45},   {8184, 1, 9207},
        {8192, 1, 9216}, {16384, 1, 17408}, {0, 0, 4},       {40, 2, 45},   {8192, 2, 9216},
        {0, 3, 3},       {40, 3, 43},       {8192, 3, 8195}, {0, 100, 100}, {16384, 65535, 81919}};
    for (const auto& [capacity, growthStep, grownCapacity] : rows) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity << ", growth step " << growthStep);
        SArray<double> array;
        array.SetGrowthStep(static_cast<std::uint16_t>(growthStep));
        FillWithIndices(array, capacity);
        ASSERT_TRUE(array.Add(-1.0));
        EXPECT_EQ(array.Capacity(), grownCapacity);
        EXPECT_EQ(array.Count(), capacity + 1);
        ExpectIndices(array, capacity);
        EXPECT_EQ(array[capacity], -1.0);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(array.Data()) % 16, 0u);
    }
}

TEST(KernelSArray, CapacityChange) {
    // From capacity 8: count, new capacity, clear, count after.
    const std::uint64_t rows[][4] = {{5, 8, false, 5},  {5, 8, true, 0},  {6, 3, false, 3}, {6, 3, true, 0},
                                     {6, 20, false, 6}, {6, 20, true, 0}, {6, 0, false, 0}, {6, 0, true, 0}};
    for (const auto& [count, newCapacity, clear, expectedCount] : rows) {
        SCOPED_TRACE(testing::Message() << count << " to " << newCapacity << ", clear " << clear);
        SArray<double> array;
        FillWithIndices(array, 8);
        ASSERT_TRUE(array.SetCount(count));
        const double* before = array.Data();
        EXPECT_TRUE(array.SetCapacity(newCapacity, clear != 0));
        EXPECT_EQ(array.Capacity(), newCapacity);
        EXPECT_EQ(array.Count(), expectedCount);
        ExpectIndices(array, expectedCount);
        EXPECT_EQ(array.Data() == before, newCapacity == 8);
        EXPECT_EQ(array.Data() == nullptr, newCapacity == 0);
    }

    // Growing keeps every slot of the old block, not only the counted ones; the count stays in the capacity.
    SArray<double> array;
    FillWithIndices(array, 8);
    array.Clear();
    ASSERT_TRUE(array.SetCapacity(20, false));
    EXPECT_FALSE(array.SetCount(21));
    EXPECT_EQ(array.Count(), 0u);
    ASSERT_TRUE(array.SetCount(8));
    ExpectIndices(array, 8);
}

// c × 8 bytes: 2^63 and beyond fail the limit; 2^62 passes it but no heap has that much. Nothing changes,
// except that a value array left without exceptions is empty.
TEST(KernelArrays, CapacityBeyondTheHeap) {
    for (const std::uint64_t capacity :
         {std::uint64_t{1} << 60, std::numeric_limits<std::uint64_t>::max(), std::uint64_t{1} << 59}) {
        for (const bool exceptions : {false, true}) {
            SCOPED_TRACE(testing::Message() << "capacity " << capacity << ", exceptions " << exceptions);
            SArray<double> values;
            FillWithIndices(values, 3);
            const double* valueBlock = values.Data();
            RPArray<double> pointers;
            ASSERT_TRUE(pointers.Add(values.Data()));
            double* const* pointerBlock = pointers.Data();
            const ScopedExceptionMode mode(exceptions);
            if (exceptions) {
                EXPECT_THROW(values.SetCapacity(capacity, false), std::bad_alloc);
                EXPECT_THROW(pointers.SetCapacity(capacity), std::bad_alloc);
            } else {
                EXPECT_FALSE(values.SetCapacity(capacity, false));
                EXPECT_FALSE(pointers.SetCapacity(capacity));
            }
            EXPECT_EQ(values.Count(), exceptions ? 3u : 0u);
            EXPECT_EQ(values.Capacity(), 3u);
            EXPECT_EQ(values.Data(), valueBlock);
            ExpectIndices(values, values.Count());
            EXPECT_EQ(pointers.Count(), 1u);
            EXPECT_EQ(pointers.Capacity(), 4u);
            EXPECT_EQ(pointers.Data(), pointerBlock);
            EXPECT_EQ(pointers[0], valueBlock);
        }
    }
    EXPECT_FALSE(ExceptionMode::IsEnabled()) << "each scope puts the setting back";
    // The product is taken in double, so it cannot wrap, and rounds up near the limit.
    const std::uint64_t one = 1;
    EXPECT_TRUE(gkern::FitsSizeLimit(one << 62, 1));
    EXPECT_TRUE(gkern::FitsSizeLimit((one << 62) / 136, 136));
    EXPECT_FALSE(gkern::FitsSizeLimit((one << 60) - 1, 8));
    EXPECT_FALSE(gkern::FitsSizeLimit(one << 56, 136));
    EXPECT_FALSE(gkern::FitsSizeLimit(std::numeric_limits<std::uint64_t>::max(), 1));
}

TEST(KernelSArray, AppendingCopiesTheWholeRecord) {
    // A matrix keeps its stale flag byte, and the new slot is returned.
    SArray<MbMatrix3D> matrices;
    const MbMatrix3D stale = MbMatrix3D::Scaling(2, 3, 4);
    MbMatrix3D* slot = matrices.AppendRecord(stale);
    ASSERT_EQ(slot, &matrices[0]);
    EXPECT_EQ(slot->StoredFlag(), MatrixFlag::stale);
    EXPECT_TRUE(std::equal(stale.Data(), stale.Data() + MbMatrix3D::elementCount, slot->Data()));

    // An element of the array itself, appended while the array grows out of its block.
    SArray<MbCartPoint3D> points;
    for (int index = 0; index < 4; ++index)
        ASSERT_TRUE(points.Add({1.0 * index, 2.0 * index, 3.0 * index}));
    ASSERT_TRUE(points.Add(points[3]));
    EXPECT_EQ(points.Capacity(), 8u);
    EXPECT_EQ(points[4], MbCartPoint3D(3, 6, 9));
}

} // namespace
