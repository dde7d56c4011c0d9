// The random source of the seeded test programs: splitmix64, small and fully defined, so that a seed
// means the same calls on every build and platform (the standard distributions differ between them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace TestSupport {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next() {
        std::uint64_t value = (state += 0x9E3779B97F4A7C15ull);
        value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
        value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
        return value ^ (value >> 31);
    }
    // 0 <= result < bound.
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
    // True in `inHundred` cases of a hundred, or `inThousand` of a thousand.
    bool Percent(std::uint32_t inHundred) { return Below(100) < inHundred; }
    bool Chance(std::uint32_t inThousand) { return Below(1000) < inThousand; }
    template <class Element, std::size_t size>
    const Element& Pick(const Element (&choices)[size]) {
        return choices[Below(size)];
    }

private:
    std::uint64_t state;
};

} // namespace TestSupport
