#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

// An element that records its own deletion, and what its array showed at that moment.
struct Tracked {
    struct Log {
        std::vector<int> deleted;
        const PArray<Tracked>* array = nullptr;
        bool sawItselfBeingDeleted = true;
        bool sawEmptyArray = true;
    };

    Tracked(int id, Log& log) : id(id), log(log) {}
    ~Tracked() {
        log.deleted.push_back(id);
        if (log.array != nullptr) {
            log.sawItselfBeingDeleted = log.sawItselfBeingDeleted && log.array->BeingDeleted() == this;
            log.sawEmptyArray = log.sawEmptyArray && log.array->Count() == 0;
        }
    }

    int id;
    Log& log;
};

// Elements the test keeps alive itself, for arrays that must not delete them.
struct Elements {
    explicit Elements(int count) {
        for (int id = 0; id < count; ++id)
            owned.push_back(std::make_unique<Tracked>(id, log));
    }
    template <typename Array>
    void AddTo(Array& array) {
        for (const auto& element : owned)
            ASSERT_TRUE(array.Add(element.get()));
    }
    Tracked::Log log;
    std::vector<std::unique_ptr<Tracked>> owned;
};

void AddNew(PArray<Tracked>& array, Tracked::Log& log, int count) {
    for (int id = 0; id < count; ++id)
        ASSERT_TRUE(array.Add(new Tracked(id, log)));
}

std::vector<int> Ids(const RPArray<Tracked>& array) {
    std::vector<int> ids;
    for (std::uint64_t index = 0; index < array.Count(); ++index)
        ids.push_back(array[index]->id);
    return ids;
}

TEST(KernelPointerArrays, StartEmpty) {
    const PArray<Tracked> array;
    EXPECT_EQ(array.Count(), 0u);
    EXPECT_EQ(array.Capacity(), 0u);
    EXPECT_EQ(array.GrowthStep(), 1);
    EXPECT_EQ(array.Data(), nullptr);
    EXPECT_TRUE(array.OwnsElements());
    EXPECT_EQ(array.BeingDeleted(), nullptr);
    static_assert(sizeof(RPArray<Tracked>) == 40 && sizeof(PArray<Tracked>) == 56);
}

TEST(KernelPointerArrays, GrowLikeValueArrays) {
    Elements elements(41);
    RPArray<Tracked> automatic;
    RPArray<Tracked> fixed;
    fixed.SetGrowthStep(3);
    elements.AddTo(automatic);
    elements.AddTo(fixed);
    EXPECT_EQ(automatic.Capacity(), 45u);
    EXPECT_EQ(fixed.Capacity(), 42u);
    EXPECT_EQ(Ids(automatic), Ids(fixed));
    EXPECT_EQ(Ids(automatic).back(), 40);
}

TEST(KernelPointerArrays, CapacityChange) {
    Elements elements(6);
    RPArray<Tracked> array;
    elements.AddTo(array);
    ASSERT_EQ(array.Capacity(), 8u);
    EXPECT_TRUE(array.SetCapacity(8));
    EXPECT_EQ(array.Count(), 6u);
    EXPECT_TRUE(array.SetCapacity(20));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(array.SetCapacity(2));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1}));
    EXPECT_TRUE(array.SetCapacity(0));
    EXPECT_EQ(array.Count(), 0u);
    EXPECT_EQ(array.Data(), nullptr);
    EXPECT_TRUE(elements.log.deleted.empty());
}

// c × 8 bytes: 2^63 and beyond fail the limit; 2^62 passes it but no heap has that much.
TEST(KernelPointerArrays, CapacityBeyondTheHeapChangesNothing) {
    Elements elements(3);
    const std::uint64_t capacities[] = {std::uint64_t{1} << 60, std::numeric_limits<std::uint64_t>::max(),
                                        std::uint64_t{1} << 59};
    for (const std::uint64_t capacity : capacities) {
        for (const bool exceptions : {false, true}) {
            SCOPED_TRACE(testing::Message() << "capacity " << capacity << ", exceptions " << exceptions);
            PArray<Tracked> array;
            array.SetOwnsElements(false);
            elements.AddTo(array);
            Tracked* const* block = array.Data();
            const ScopedExceptionMode mode(exceptions);
            if (exceptions)
                EXPECT_THROW(array.SetCapacity(capacity), std::bad_alloc);
            else
                EXPECT_FALSE(array.SetCapacity(capacity));
            EXPECT_EQ(array.Capacity(), 4u);
            EXPECT_EQ(array.Data(), block);
            EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2}));
        }
    }
}

TEST(KernelPointerArrays, RemoveAtFollowsTheDeletionMode) {
    struct Row {
        bool owns;
        std::int32_t mode;
        bool deleted;
    };
    const Row rows[] = {
        {true, DeletionMode::followOwnership, true},
        {false, DeletionMode::followOwnership, false},
        {true, DeletionMode::keep, false},
        {false, DeletionMode::keep, false},
        {true, DeletionMode::destroy, true},
        {false, DeletionMode::destroy, true},
        {true, 7, false},
        {true, -1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "owns " << row.owns << ", mode " << row.mode);
        Tracked::Log log;
        std::unique_ptr<Tracked> returned;
        {
            PArray<Tracked> array;
            log.array = &array;
            AddNew(array, log, 3);
            array.SetOwnsElements(row.owns);
            returned.reset(array.RemoveAt(1, row.mode));
            EXPECT_EQ(returned == nullptr, row.deleted);
            EXPECT_EQ(log.deleted, row.deleted ? std::vector<int>{1} : std::vector<int>{});
            EXPECT_EQ(Ids(array), (std::vector<int>{0, 2}));
            EXPECT_TRUE(log.sawItselfBeingDeleted);
            EXPECT_EQ(array.BeingDeleted(), nullptr);
            array.SetOwnsElements(true);
            log.deleted.clear();
            log.array = nullptr;
        }
        if (returned != nullptr) {
            EXPECT_EQ(returned->id, 1);
        }
        EXPECT_EQ(log.deleted, (std::vector<int>{0, 2}));
        returned.reset();
    }
}

TEST(KernelPointerArrays, RemoveAtBeyondTheCountChangesNothing) {
    Elements elements(3);
    RPArray<Tracked> empty;
    EXPECT_EQ(empty.RemoveAt(0, DeletionMode::keep), nullptr);
    RPArray<Tracked> referring;
    elements.AddTo(referring);
    Tracked::Log log;
    PArray<Tracked> owning;
    AddNew(owning, log, 3);
    for (const std::uint64_t index : {std::uint64_t{3}, std::uint64_t{4}, ~std::uint64_t{0}}) {
        for (const std::int32_t mode : {DeletionMode::followOwnership, DeletionMode::destroy}) {
            EXPECT_EQ(referring.RemoveAt(index, mode), nullptr);
            EXPECT_EQ(owning.RemoveAt(index, mode), nullptr);
        }
    }
    EXPECT_EQ(Ids(referring), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Ids(owning), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(log.deleted.empty());
}

TEST(KernelPointerArrays, ClearDeletesOnlyOwnedElements) {
    Elements elements(3);
    RPArray<Tracked> referring;
    elements.AddTo(referring);
    referring.Clear();
    EXPECT_EQ(referring.Count(), 0u);
    EXPECT_EQ(referring.Capacity(), 4u);

    PArray<Tracked> lending;
    lending.SetOwnsElements(false);
    elements.AddTo(lending);
    lending.Clear();
    EXPECT_EQ(lending.Count(), 0u);
    EXPECT_TRUE(elements.log.deleted.empty());

    Tracked::Log log;
    PArray<Tracked> owning;
    log.array = &owning;
    AddNew(owning, log, 3);
    ASSERT_TRUE(owning.Add(nullptr));
    owning.Clear();
    EXPECT_EQ(owning.Count(), 0u);
    EXPECT_EQ(owning.Capacity(), 4u);
    EXPECT_EQ(log.deleted, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(log.sawItselfBeingDeleted);
    EXPECT_TRUE(log.sawEmptyArray);
    EXPECT_EQ(owning.BeingDeleted(), nullptr);
    for (std::uint64_t index = 0; index < 4; ++index)
        EXPECT_EQ(owning.Data()[index], nullptr);
}

TEST(KernelPointerArrays, DestructionDeletesOnlyOwnedElements) {
    Tracked::Log log;
    {
        auto owning = std::make_unique<PArray<Tracked>>();
        log.array = owning.get();
        AddNew(*owning, log, 3);
        std::unique_ptr<RPArray<Tracked>> asBase = std::move(owning);
    }
    EXPECT_EQ(log.deleted, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(log.sawItselfBeingDeleted);
    EXPECT_TRUE(log.sawEmptyArray);

    Elements elements(3);
    {
        PArray<Tracked> lending;
        lending.SetOwnsElements(false);
        elements.AddTo(lending);
        RPArray<Tracked> referring;
        elements.AddTo(referring);
    }
    EXPECT_TRUE(elements.log.deleted.empty());
}

} // namespace
