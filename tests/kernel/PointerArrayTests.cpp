#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

// An element that records its deletion, and whether its array then showed it as the one being
// deleted and showed itself empty.
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

// Adds elements 0 … count - 1, made on the heap; an array that does not own them leaves them to `kept`.
template <typename Array>
void Fill(Array& array, Tracked::Log& log, int count, std::vector<std::unique_ptr<Tracked>>* kept = nullptr) {
    for (int id = 0; id < count; ++id) {
        auto element = std::make_unique<Tracked>(id, log);
        ASSERT_TRUE(array.Add(element.get()));
        if (kept != nullptr)
            kept->push_back(std::move(element));
        else
            element.release();
    }
}

std::vector<int> Ids(const RPArray<Tracked>& array) {
    std::vector<int> ids;
    for (std::uint64_t index = 0; index < array.Count(); ++index)
        ids.push_back(array[index]->id);
    return ids;
}

TEST(KernelPointerArrays, GrowAndChangeCapacityLikeValueArrays) {
    int values[41] = {};
    RPArray<int> automatic;
    RPArray<int> fixed;
    fixed.SetGrowthStep(3);
    for (int& value : values)
        ASSERT_TRUE(automatic.Add(&value) && fixed.Add(&value));
    const auto pointers = [](const RPArray<int>& array) {
        return std::vector<int*>(array.Data(), array.Data() + array.Count());
    };
    EXPECT_EQ(automatic.Capacity(), 45u);
    EXPECT_EQ(fixed.Capacity(), 42u);
    EXPECT_EQ(pointers(automatic), pointers(fixed));
    EXPECT_EQ(automatic[40], &values[40]);

    EXPECT_TRUE(automatic.SetCapacity(60));
    EXPECT_EQ(pointers(automatic), pointers(fixed));
    EXPECT_TRUE(automatic.SetCapacity(2));
    EXPECT_EQ(pointers(automatic), (std::vector<int*>{&values[0], &values[1]}));
    EXPECT_TRUE(automatic.SetCapacity(0));
    EXPECT_EQ(automatic.Count(), 0u);
    EXPECT_EQ(automatic.Data(), nullptr);
    // A referring array hands every removed element back, whatever the mode.
    EXPECT_EQ(fixed.RemoveAt(41, DeletionMode::destroy), nullptr);
    EXPECT_EQ(fixed.RemoveAt(0, DeletionMode::destroy), &values[0]);
    EXPECT_EQ(fixed[0], &values[1]);
    EXPECT_EQ(fixed.Count(), 40u);
}

TEST(KernelPointerArrays, RemoveAtFollowsTheDeletionMode) {
    const std::int32_t follow = DeletionMode::followOwnership, keep = DeletionMode::keep;
    const std::int32_t destroy = DeletionMode::destroy;
    // Owns, mode, deleted:
    const std::int32_t rows[][3] = {{1, follow, 1},  {0, follow, 0},  {1, keep, 0}, {0, keep, 0},
                                    {1, destroy, 1}, {0, destroy, 1}, {1, 7, 0},    {1, -1, 0}};
    for (const auto& [owns, mode, deleted] : rows) {
        SCOPED_TRACE(testing::Message() << "owns " << owns << ", mode " << mode);
        Tracked::Log log;
        PArray<Tracked> array;
        log.array = &array;
        Fill(array, log, 3);
        array.SetOwnsElements(owns != 0);
        const std::unique_ptr<Tracked> returned(array.RemoveAt(1, mode));
        EXPECT_EQ(returned == nullptr, deleted != 0);
        EXPECT_EQ(log.deleted, deleted != 0 ? std::vector<int>{1} : std::vector<int>{});
        EXPECT_EQ(Ids(array), (std::vector<int>{0, 2}));
        EXPECT_TRUE(log.sawItselfBeingDeleted);
        EXPECT_EQ(array.BeingDeleted(), nullptr);
        // Beyond the count nothing is taken out, whatever the mode.
        for (const std::uint64_t index : {std::uint64_t{2}, ~std::uint64_t{0}})
            for (const std::int32_t anyMode : {follow, destroy})
                EXPECT_EQ(array.RemoveAt(index, anyMode), nullptr);
        EXPECT_EQ(log.deleted.size(), deleted != 0 ? 1u : 0u);
        array.SetOwnsElements(true);
        log.array = nullptr;
    }
    EXPECT_EQ(RPArray<Tracked>().RemoveAt(0, DeletionMode::keep), nullptr);
}

// Clearing or destroying an array deletes its elements only when it owns them; the count drops to 0
// before the first deletion, and Clear keeps the block with emptied slots.
TEST(KernelPointerArrays, ClearAndDestructionDeleteOnlyOwnedElements) {
    for (const bool clear : {true, false}) {
        SCOPED_TRACE(clear ? "clear" : "destroy");
        Tracked::Log log;
        std::vector<std::unique_ptr<Tracked>> kept;
        {
            RPArray<Tracked> referring;
            PArray<Tracked> lending;
            lending.SetOwnsElements(false);
            auto owning = std::make_unique<PArray<Tracked>>();
            log.array = owning.get();
            Fill(referring, log, 3, &kept);
            Fill(lending, log, 3, &kept);
            Fill(*owning, log, 3);
            ASSERT_TRUE(owning->Add(nullptr));
            if (clear) {
                for (RPArray<Tracked>* array :
                     std::initializer_list<RPArray<Tracked>*>{&referring, &lending, owning.get()}) {
                    array->Clear();
                    EXPECT_EQ(array->Count(), 0u);
                    EXPECT_EQ(array->Capacity(), 4u);
                }
                for (std::uint64_t index = 0; index < 4; ++index)
                    EXPECT_EQ(owning->Data()[index], nullptr);
            } else {
                // Destroyed through the base, as hosts do.
                std::unique_ptr<RPArray<Tracked>> owningAsBase = std::move(owning);
            }
            EXPECT_EQ(log.deleted, (std::vector<int>{0, 1, 2}));
            log.array = nullptr;
        }
        EXPECT_EQ(log.deleted, (std::vector<int>{0, 1, 2}));
        EXPECT_TRUE(log.sawItselfBeingDeleted);
        EXPECT_TRUE(log.sawEmptyArray);
    }
}

} // namespace
