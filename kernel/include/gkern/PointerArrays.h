// The kernel's pointer arrays: RPArray refers to objects it never deletes; PArray may own them.
#pragma once

#include <gkern/CapacityRules.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

// How PArray::RemoveAt treats the element it takes out.
namespace DeletionMode {
inline constexpr std::int32_t followOwnership = 0;
inline constexpr std::int32_t keep = 1;
inline constexpr std::int32_t destroy = 2;
} // namespace DeletionMode

template <typename T>
class RPArray {
public:
    RPArray() = default;
    RPArray(const RPArray&) = delete;
    RPArray& operator=(const RPArray&) = delete;
    // Releases the pointer block only; a change to capacity 0 always fits, so this never raises.
    virtual ~RPArray() { SetCapacity(0); }

    // Takes the element out, closing the gap; null when the index is not below the count. The mode
    // matters to PArray only.
    virtual T* RemoveAt(std::uint64_t index, [[maybe_unused]] std::int32_t mode) {
        if (storage == nullptr || index >= count)
            return nullptr;
        return TakeAt(index);
    }

    // Count 0; the block stays.
    virtual void Clear() { count = 0; }

    std::uint64_t Count() const { return count; }
    std::uint64_t Capacity() const { return capacity; }
    bool IsEmpty() const { return count == 0; }
    std::uint16_t GrowthStep() const { return growthStep; }
    // 0 to 2 select the automatic increment.
    void SetGrowthStep(std::uint16_t step) { growthStep = step; }

    T** Data() { return storage; }
    T* const* Data() const { return storage; }
    T*& operator[](std::uint64_t index) { return storage[index]; }
    T* operator[](std::uint64_t index) const { return storage[index]; }

    // False when the array could not grow; nothing is stored then.
    bool Add(T* element) {
        if (count == capacity && !SetCapacity(capacity + gkern::GrowthIncrement(count, growthStep)))
            return false;
        storage[count++] = element;
        return true;
    }

    // Moves to a block of newCapacity slots, keeping the leading pointers. A block that cannot be had
    // raises std::bad_alloc in exception mode; otherwise the result is false and nothing changes.
    bool SetCapacity(std::uint64_t newCapacity) {
        if (newCapacity == capacity)
            return true;
        if (!gkern::FitsSizeLimit(newCapacity, sizeof(T*)))
            return gkern::ReportCapacityFailure();
        T** block = nullptr;
        if (newCapacity != 0) {
            block = new (std::nothrow) T*[newCapacity];
            if (block == nullptr)
                return gkern::ReportCapacityFailure();
            if (storage != nullptr)
                std::memcpy(block, storage, (std::min)(newCapacity, capacity) * sizeof(T*));
        }
        delete[] storage;
        storage = block;
        capacity = newCapacity;
        count = (std::min)(count, newCapacity);
        return true;
    }

protected:
    // The index must be below the count.
    T* TakeAt(std::uint64_t index) {
        T* element = storage[index];
        std::copy(storage + index + 1, storage + count, storage + index);
        --count;
        return element;
    }

private:
    std::uint64_t count = 0;
    std::uint64_t capacity = 0;
    std::uint16_t growthStep = 1;
    T** storage = nullptr;
};

template <typename T>
class PArray : public RPArray<T> {
public:
    // Owns its elements until told otherwise.
    PArray() = default;
    ~PArray() override {
        if (ownsElements)
            DeleteAll();
    }

    // The removed element is deleted, and null returned, for DeletionMode::destroy, and for
    // DeletionMode::followOwnership when the array owns its elements; otherwise the caller gets it.
    T* RemoveAt(std::uint64_t index, std::int32_t mode) override {
        if (index >= this->Count())
            return nullptr;
        T* element = this->TakeAt(index);
        if (mode == DeletionMode::destroy || (mode == DeletionMode::followOwnership && ownsElements)) {
            Delete(element);
            return nullptr;
        }
        return element;
    }

    // Deletes the elements when the array owns them; the block stays.
    void Clear() override {
        if (ownsElements)
            DeleteAll();
        else
            RPArray<T>::Clear();
    }

    bool OwnsElements() const { return ownsElements; }
    void SetOwnsElements(bool owns) { ownsElements = owns; }
    // The element whose deletion is under way, so that its destructor can recognise itself; else null.
    const T* BeingDeleted() const { return beingDeleted; }

private:
    // The count drops to 0 before the first element goes, so destructors see an empty array.
    void DeleteAll() {
        const std::uint64_t elementCount = this->Count();
        RPArray<T>::Clear();
        T** slots = this->Data();
        for (std::uint64_t index = 0; index < elementCount; ++index) {
            T* element = slots[index];
            slots[index] = nullptr;
            Delete(element);
        }
    }

    void Delete(T* element) {
        beingDeleted = element;
        delete element;
        beingDeleted = nullptr;
    }

    bool ownsElements = true;
    T* beingDeleted = nullptr;
};
