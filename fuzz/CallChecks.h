// What every fuzz target checks around one call of the library: only the documented exceptions leave
// it, every array comes back with the locks it was handed with, a reader leaves its input as it was, and
// an output the call refused to fill is as it was. Sanitizers and the leak check do the rest.
#pragma once

#include "ValueDecoder.h"

#include <WindowsUtils.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <type_traits>
#include <vector>

namespace Fuzz {

[[noreturn]] inline void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

inline void Expect(bool holds, const char* what) {
    if (!holds)
        Finding(what);
}

enum class Ending { True, False, Returned, Raised };

// Runs the call; a _com_error with a failing HRESULT and std::bad_alloc are the only exceptions that
// may leave it.
template <class Call>
Ending Run(Call call) {
    try {
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            return Ending::Returned;
        } else {
            return call() ? Ending::True : Ending::False;
        }
    } catch (const _com_error& error) {
        Expect(FAILED(error.Error()), "_com_error carrying a success code");
        return Ending::Raised;
    } catch (const std::bad_alloc&) {
        return Ending::Raised;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "exception: %s\n", error.what());
        Finding("an exception the library does not document");
    } catch (...) {
        Finding("an exception the library does not document");
    }
}

// The observable state of an output, byte for byte.
class State {
public:
    template <class T>
    State& Add(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto* begin = reinterpret_cast<const std::byte*>(&value);
        bytes_.insert(bytes_.end(), begin, begin + sizeof(T));
        return *this;
    }
    State& AddBytes(const void* from, std::size_t size) {
        const auto* begin = static_cast<const std::byte*>(from);
        bytes_.insert(bytes_.end(), begin, begin + size);
        return *this;
    }
    bool operator==(const State&) const = default;

private:
    std::vector<std::byte> bytes_;
};

template <class T>
State StateOf(const SArray<T>& array) {
    State state;
    state.Add(array.Count()).Add(array.Capacity()).Add(array.Data());
    return state.AddBytes(array.Data(), array.Count() * sizeof(T));
}

template <class T>
State StateOf(const std::vector<T>& vector) {
    State state;
    state.Add(vector.size()).Add(vector.capacity());
    for (const T& element : vector) {
        if constexpr (std::is_same_v<T, WideString>)
            state.Add(element.size()).AddBytes(element.data(), element.size() * sizeof(WCHAR));
        else if constexpr (std::is_same_v<T, zfont::FontParams>)
            state.AddBytes(element.faceName.data(), element.faceName.size() * sizeof(WCHAR))
                .Add(element.size)
                .Add(element.angle)
                .Add(element.italic)
                .Add(element.bold);
        else
            state.Add(element);
    }
    return state;
}

inline State StateOf(const std::vector<bool>& vector) {
    State state;
    state.Add(vector.size());
    for (bool bit : vector)
        state.Add(bit);
    return state;
}

template <class T>
State StateOf(const RPArray<T>& array) {
    State state;
    state.Add(array.Count()).Add(array.Capacity());
    return state.AddBytes(array.Data(), array.Count() * sizeof(T*));
}

inline State StateOf(const MbMatrix3D& matrix) {
    State state;
    return state.AddBytes(matrix.Data(), MbMatrix3D::elementCount * sizeof(double)).Add(matrix.StoredFlag());
}

inline State StateOf(const MbCartPoint& point) {
    return State().Add(point);
}

// What a refusal (a false result) leaves in the output.
enum class OnFalse { Untouched, Emptied };

struct Expectations {
    bool inputConstant = true; // readers never change their input
    OnFalse onFalse = OnFalse::Untouched;
    bool untouchedWhenRaised = false;
};

// Runs call(value, output) on the decoded value and checks what the library promises about both.
// Returns how the call ended.
template <class Output, class Call>
Ending CheckCall(DecodedValue& input, Output& output, const Expectations& expected, Call call) {
    if (std::getenv("FUZZ_DESCRIBE") != nullptr)
        input.Describe(stderr);
    const std::vector<std::byte> inputBefore = input.Snapshot();
    const State outputBefore = StateOf(output);
    const Ending ending = Run([&] { return call(input.Value(), output); });
    input.CallEnded(!expected.inputConstant && ending != Ending::False);
    Expect(input.LocksAsHanded(), "an array was left locked, or unlocked more often than locked");
    if (expected.inputConstant || ending == Ending::False)
        Expect(input.Snapshot() == inputBefore, "the input value or one of its arrays changed");
    if (ending == Ending::False && expected.onFalse == OnFalse::Untouched)
        Expect(StateOf(output) == outputBefore, "a refused input changed the output");
    if constexpr (requires { output.IsEmpty(); })
        if (ending == Ending::False && expected.onFalse == OnFalse::Emptied)
            Expect(output.IsEmpty(), "a refused input left elements in the output");
    if (ending == Ending::Raised && expected.untouchedWhenRaised)
        Expect(StateOf(output) == outputBefore, "an exception left the output changed");
    return ending;
}

// A kernel array prefilled with a few decoded elements, a decoded growth step, so that appending and
// replacing show.
template <class T>
void Prefill(FuzzedDataProvider& input, SArray<T>& array) {
    array.SetGrowthStep(input.ConsumeIntegralInRange<std::uint16_t>(0, 5));
    const int count = input.ConsumeIntegralInRange(0, 5);
    for (int index = 0; index < count; ++index) {
        T element{};
        ConsumeInto(input, &element, sizeof(T));
        array.Add(element);
    }
}

template <class T>
void Prefill(FuzzedDataProvider& input, std::vector<T>& vector) {
    const int count = input.ConsumeIntegralInRange(0, 5);
    for (int index = 0; index < count; ++index) {
        if constexpr (std::is_same_v<T, bool>) {
            vector.push_back(input.ConsumeBool());
        } else {
            T element{};
            ConsumeInto(input, &element, sizeof(T));
            vector.push_back(element);
        }
    }
}

// Whether `before` is still the beginning of `after`: appending readers never drop what was there.
template <class T>
bool StillBegins(const std::vector<T>& after, const std::vector<T>& before) {
    if (after.size() < before.size())
        return false;
    if (before.empty())
        return true;
    if constexpr (std::is_same_v<T, bool>)
        return std::equal(before.begin(), before.end(), after.begin());
    else
        return std::memcmp(after.data(), before.data(), before.size() * sizeof(T)) == 0;
}

} // namespace Fuzz
