#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

// The size-limit tests ask the heap for blocks it cannot give: under AddressSanitizer that must come
// back as null, as it does from the plain heap, instead of stopping the program.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

namespace {

// Fills the array with count values 0, 1, 2, … written straight into the block.
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

TEST(KernelSArray, StartsEmptyWithoutStorage) {
    SArray<double> array;
    EXPECT_EQ(array.Count(), 0u);
    EXPECT_EQ(array.Capacity(), 0u);
    EXPECT_EQ(array.GrowthStep(), 1);
    EXPECT_EQ(array.Data(), nullptr);
    // 16 bytes of fields after the table pointer, then the step padded to 8, then the block.
    static_assert(sizeof(SArray<double>) == 40);
}

TEST(KernelSArray, GrowthOfAFullArray) {
    struct Row {
        std::uint64_t capacity;
        std::uint16_t growthStep;
        std::uint64_t grownCapacity;
    };
    // clang-format off
    const Row rows[] = {
        {0, 1, 4},
        {4, 1, 8},
        {36, 1, 40},
        {40, 1, 45},
        {45, 1, 50},
        {8184, 1, 9207},
        {8192, 1, 9216},
        {16384, 1, 17408},
        {0, 0, 4},
        {0, 2, 4},
        {40, 2, 45},
        {8192, 2, 9216},
        {0, 3, 3},
        {3, 3, 6},
        {40, 3, 43},
        {8192, 3, 8195},
        {0, 100, 100},
        {16384, 65535, 81919},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "capacity " << row.capacity << ", growth step " << row.growthStep);
        SArray<double> array;
        array.SetGrowthStep(row.growthStep);
        FillWithIndices(array, row.capacity);
        ASSERT_EQ(array.Capacity(), row.capacity);
        ASSERT_TRUE(array.Add(-1.0));
        EXPECT_EQ(array.Capacity(), row.grownCapacity);
        EXPECT_EQ(array.Count(), row.capacity + 1);
        ExpectIndices(array, row.capacity);
        EXPECT_EQ(array[row.capacity], -1.0);
    }
}

TEST(KernelSArray, CapacityChange) {
    struct Row {
        const char* name;
        std::uint64_t count;
        std::uint64_t newCapacity;
        bool clear;
        std::uint64_t expectedCount;
    };
    // Every array starts with capacity 8.
    // clang-format off
    const Row rows[] = {
        {"same capacity", 5, 8, false, 5},
        {"same capacity, clear", 5, 8, true, 0},
        {"smaller", 6, 3, false, 3},
        {"smaller, clear", 6, 3, true, 0},
        {"larger", 6, 20, false, 6},
        {"larger, clear", 6, 20, true, 0},
        {"zero", 6, 0, false, 0},
        {"zero, clear", 6, 0, true, 0},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SArray<double> array;
        ASSERT_TRUE(array.SetCapacity(8, false));
        FillWithIndices(array, row.count);
        const double* before = array.Data();
        EXPECT_TRUE(array.SetCapacity(row.newCapacity, row.clear));
        EXPECT_EQ(array.Capacity(), row.newCapacity);
        EXPECT_EQ(array.Count(), row.expectedCount);
        ExpectIndices(array, row.expectedCount);
        if (row.newCapacity == 8) {
            EXPECT_EQ(array.Data(), before);
        }
        EXPECT_EQ(array.Data() == nullptr, row.newCapacity == 0);
    }
}

TEST(KernelSArray, GrowingKeepsEverySlotOfTheOldBlock) {
    SArray<double> array;
    FillWithIndices(array, 8);
    array.Clear();
    ASSERT_TRUE(array.SetCapacity(20, false));
    ASSERT_TRUE(array.SetCount(8));
    ExpectIndices(array, 8);
}

// c × 8 bytes: 2^63 and beyond fail the limit; 2^62 passes it but no heap has that much.
TEST(KernelSArray, CapacityBeyondTheHeap) {
    const std::uint64_t capacities[] = {std::uint64_t{1} << 60, std::numeric_limits<std::uint64_t>::max(),
                                        std::uint64_t{1} << 59};
    for (const std::uint64_t capacity : capacities) {
        for (const bool exceptions : {false, true}) {
            SCOPED_TRACE(testing::Message() << "capacity " << capacity << ", exceptions " << exceptions);
            SArray<double> array;
            FillWithIndices(array, 3);
            const double* block = array.Data();
            const ScopedExceptionMode mode(exceptions);
            if (exceptions) {
                EXPECT_THROW(array.SetCapacity(capacity, false), std::bad_alloc);
                EXPECT_EQ(array.Count(), 3u);
            } else {
                EXPECT_FALSE(array.SetCapacity(capacity, false));
                EXPECT_EQ(array.Count(), 0u);
            }
            EXPECT_EQ(array.Capacity(), 3u);
            EXPECT_EQ(array.Data(), block);
            ExpectIndices(array, array.Count());
        }
    }
}

TEST(KernelSArray, SizeLimitIsTakenInDouble) {
    struct Row {
        std::uint64_t slotCount;
        std::size_t slotSize;
        bool fits;
    };
    const std::uint64_t one = 1;
    const Row rows[] = {
        {0, 136, true},
        {one << 59, 8, true},
        {one << 60, 8, false},
        {(one << 60) - 1, 8, false}, // rounds up to 2^60 in double
        {one << 62, 1, true},
        {(one << 63) - 1, 1, false},
        {std::numeric_limits<std::uint64_t>::max(), 1, false},
        {one << 56, 136, false},
        {(one << 62) / 136, 136, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(gkern::FitsSizeLimit(row.slotCount, row.slotSize), row.fits)
            << row.slotCount << " slots of " << row.slotSize;
}

TEST(KernelSArray, StorageIsAlignedTo16Bytes) {
    for (const std::uint64_t capacity : {1, 3, 17, 1000}) {
        SArray<char> characters;
        SArray<MbFloatPoint3D> points;
        ASSERT_TRUE(characters.SetCapacity(capacity, false));
        ASSERT_TRUE(points.SetCapacity(capacity, false));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(characters.Data()) % 16, 0u) << capacity;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(points.Data()) % 16, 0u) << capacity;
    }
}

TEST(KernelSArray, AppendingARecordCopiesItWholeAndReturnsItsSlot) {
    SArray<MbMatrix3D> array;
    MbMatrix3D stale = MbMatrix3D::Scaling(2, 3, 4);
    ASSERT_EQ(stale.StoredFlag(), MatrixFlag::stale);
    MbMatrix3D classified = MbMatrix3D::Translation(5, 6, 7);
    ASSERT_NE(classified.CheckFlag(), MatrixFlag::stale);

    MbMatrix3D* first = array.AppendRecord(stale);
    MbMatrix3D* second = array.AppendRecord(classified);
    ASSERT_EQ(first, &array[0]);
    ASSERT_EQ(second, &array[1]);
    EXPECT_EQ(first->StoredFlag(), MatrixFlag::stale);
    EXPECT_EQ(second->StoredFlag(), classified.StoredFlag());
    for (std::size_t index = 0; index < MbMatrix3D::elementCount; ++index) {
        EXPECT_EQ((*first)[index], stale[index]);
        EXPECT_EQ((*second)[index], classified[index]);
    }
}

TEST(KernelSArray, AppendingOneOfItsOwnElementsWhileGrowing) {
    SArray<MbCartPoint3D> array;
    for (int index = 0; index < 4; ++index)
        ASSERT_TRUE(array.Add({1.0 * index, 2.0 * index, 3.0 * index}));
    ASSERT_EQ(array.Capacity(), 4u);
    ASSERT_TRUE(array.Add(array[3]));
    EXPECT_EQ(array.Capacity(), 8u);
    EXPECT_EQ(array[4], MbCartPoint3D(3, 6, 9));
}

TEST(KernelSArray, CountIsSetOnlyWithinTheCapacity) {
    SArray<double> array;
    ASSERT_TRUE(array.SetCapacity(5, false));
    EXPECT_TRUE(array.SetCount(5));
    EXPECT_FALSE(array.SetCount(6));
    EXPECT_EQ(array.Count(), 5u);
    array.Clear();
    EXPECT_EQ(array.Count(), 0u);
    EXPECT_EQ(array.Capacity(), 5u);
    EXPECT_NE(array.Data(), nullptr);
}

} // namespace
