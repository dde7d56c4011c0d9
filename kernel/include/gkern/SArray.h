// The kernel's value array. Elements lie in one 16-byte aligned block and move as raw bytes: the array
// never constructs or destroys one.
#pragma once

#include <gkern/CapacityRules.h>

#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

template <typename T>
class SArray {
public:
    SArray() {
        if (!SetCapacity(0, true))
            throw std::bad_alloc();
    }
    SArray(const SArray&) = delete;
    SArray& operator=(const SArray&) = delete;
    // A change to capacity 0 always fits, so this never raises.
    virtual ~SArray() { SetCapacity(0, true); }

    std::uint64_t Count() const { return count; }
    std::uint64_t Capacity() const { return capacity; }
    bool IsEmpty() const { return count == 0; }
    std::uint16_t GrowthStep() const { return growthStep; }
    // 0 to 2 select the automatic increment.
    void SetGrowthStep(std::uint16_t step) { growthStep = step; }

    T* Data() { return storage; }
    const T* Data() const { return storage; }
    T& operator[](std::uint64_t index) { return storage[index]; }
    const T& operator[](std::uint64_t index) const { return storage[index]; }
    T* begin() { return storage; }
    T* end() { return storage + count; }
    const T* begin() const { return storage; }
    const T* end() const { return storage + count; }

    // False when the array could not grow; nothing is stored then.
    bool Add(const T& value) { return AppendRecord(value) != nullptr; }

    // Appends a copy of the whole record; the new slot, or null when the array could not grow.
    T* AppendRecord(const T& value) {
        if (count == capacity)
            return AppendGrowing(value);
        return AppendInPlace(&value);
    }

    // Moves to a block of newCapacity slots, keeping the leading elements unless clear is set. A block
    // that cannot be had raises std::bad_alloc in exception mode; otherwise the result is false and the
    // array is left empty with its old block.
    bool SetCapacity(std::uint64_t newCapacity, bool clear) {
        bool result = true;
        if (newCapacity != capacity && !Reallocate(newCapacity, clear)) {
            result = gkern::ReportCapacityFailure();
            newCapacity = 0;
        }
        count = clear ? 0 : (std::min)(count, newCapacity);
        return result;
    }

    // Count 0; the block stays.
    void Clear() { count = 0; }

    // Takes the first newCount slots as elements, after they were written through Data(). False, with
    // nothing changed, beyond the capacity.
    bool SetCount(std::uint64_t newCount) {
        if (newCount > capacity)
            return false;
        count = newCount;
        return true;
    }

private:
    static constexpr std::size_t alignment = 16;

    T* AppendInPlace(const void* record) {
        T* slot = storage + count;
        std::memcpy(static_cast<void*>(slot), record, sizeof(T));
        ++count;
        return slot;
    }

    // The value may lie in the block that growing releases: it is copied aside first.
    T* AppendGrowing(const T& value) {
        alignas(T) std::byte record[sizeof(T)];
        std::memcpy(record, static_cast<const void*>(&value), sizeof(T));
        if (!SetCapacity(capacity + gkern::GrowthIncrement(count, growthStep), false))
            return nullptr;
        return AppendInPlace(record);
    }

    // False, with nothing changed, when the block is beyond the size limit or the heap has none.
    bool Reallocate(std::uint64_t newCapacity, bool clear) {
        if (!gkern::FitsSizeLimit(newCapacity, sizeof(T)))
            return false;
        T* block = nullptr;
        if (newCapacity != 0) {
            block = static_cast<T*>(_aligned_malloc(newCapacity * sizeof(T), alignment));
            if (block == nullptr)
                return false;
            if (!clear && storage != nullptr)
                std::memcpy(static_cast<void*>(block), static_cast<const void*>(storage),
                            (std::min)(newCapacity, capacity) * sizeof(T));
        }
        _aligned_free(storage);
        storage = block;
        capacity = newCapacity;
        return true;
    }

    std::uint64_t count = 0;
    std::uint64_t capacity = 0;
    std::uint16_t growthStep = 1;
    T* storage = nullptr;
};
