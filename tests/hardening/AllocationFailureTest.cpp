// Every allocation of a call of each family fails in turn, until the call makes no more, with the kernel's
// exception mode off and on. The call must end as documented for the kind that failed, leave its arrays
// unlocked and its output untouched or holding only what it completed; leaks show in the sanitizer build.
#include <WindowsUtils.h>
#include <FaultInjection.h>
#include <olectl.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <set>

using FaultInjection::Operation;
using namespace TestSupport;

namespace {

enum class Ending { Returned, OutOfMemory, OtherComError, BadAlloc };

// An output: a VARIANT's type first, then the elements, bits or text ("" for a slot not yet written).
using Contents = std::vector<std::string>;

struct Attempt {
    Ending ending = Ending::Returned;
    Contents before, after;
    bool failed = false;
    Operation failure{};
};

std::string Bytes(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::string TextOf(const WCHAR* text) {
    return text == nullptr ? "" : Bytes(text, std::char_traits<WCHAR>::length(text) * sizeof(WCHAR));
}

template <class T>
std::string ElementOf(const T& element) {
    if constexpr (std::is_base_of_v<VARIANT, T>) {
        _variant_t text;
        if (element.vt == VT_EMPTY || (element.vt == VT_BSTR && element.bstrVal == nullptr))
            return "";
        const bool converted = SUCCEEDED(VariantChangeType(&text, &element, 0, VT_BSTR));
        return std::to_string(element.vt) + " " + (converted ? TextOf(text.bstrVal) : "");
    } else if constexpr (std::is_same_v<T, old::string>) {
        return "text " + TextOf(element.Text());
    } else if constexpr (std::is_same_v<T, WideString>) {
        return "text " + TextOf(element.c_str());
    } else if constexpr (std::is_same_v<T, zfont::FontParams>) {
        return TextOf(element.faceName.c_str()) + Bytes(&element.size, sizeof(double));
    } else if constexpr (requires { element.Data(); }) {
        return Bytes(element.Data(), T::elementCount * sizeof(double));
    } else {
        return Bytes(&element, sizeof(T));
    }
}

template <class T>
Contents Render(const T& value) {
    Contents contents;
    if constexpr (std::is_base_of_v<VARIANT, T>) {
        const SAFEARRAY* array = (value.vt & VT_ARRAY) != 0 ? value.parray : nullptr;
        const bool noArray = (value.vt & VT_ARRAY) != 0 && array == nullptr;
        contents.push_back("vt " + std::to_string(value.vt) + (noArray ? ", no array" : ""));
        for (ULONG index = 0; array != nullptr && index < array->rgsabound[0].cElements; ++index) {
            const void* slot = static_cast<const std::byte*>(array->pvData) + index * array->cbElements;
            VARIANT element{};
            element.vt = value.vt & VT_TYPEMASK;
            if (element.vt == VT_VARIANT)
                element = *static_cast<const VARIANT*>(slot);
            else
                std::memcpy(&element.bVal, slot, array->cbElements);
            contents.push_back(ElementOf(element));
        }
    } else if constexpr (requires { value.begin(); }) {
        for (const auto& element : value)
            contents.push_back(ElementOf(element));
    } else if constexpr (requires { value.OwnsElements(); }) {
        for (std::uint64_t index = 0; index < value.Count(); ++index)
            contents.push_back(ElementOf(*value[index]));
    } else if constexpr (std::is_same_v<T, MbCartPoint>) {
        for (const double coordinate : {value.x, value.y}) // 0 until written
            contents.push_back(coordinate == 0 ? "" : Bytes(&coordinate, sizeof(double)));
    } else {
        contents.push_back(ElementOf(value));
    }
    return contents;
}

// An argument is copied from a prototype, or filled by a function.
template <class T, class Source>
void Fill(T& argument, const Source& source) {
    if constexpr (std::is_invocable_v<const Source&, T&>)
        source(argument);
    else
        argument = source;
}

// A call on fresh arguments, the allocation after `successes` others failing. VARIANTs, handed or
// written, must come back unlocked.
template <class Input, class Output, class InputSource, class OutputSource, class Call>
std::function<Attempt(long)> Calling(InputSource inputSource, OutputSource outputSource, Call call) {
    return [=](long successes) {
        Input input{};
        Output output{};
        Fill(input, inputSource);
        Fill(output, outputSource);
        Attempt run;
        run.before = Render(output);
        {
            const FaultInjection::PlannedFailure failure(Operation::Allocation, successes);
            try {
                call(input, output);
            } catch (const _com_error& error) {
                run.ending = error.Error() == E_OUTOFMEMORY ? Ending::OutOfMemory : Ending::OtherComError;
            } catch (const std::bad_alloc&) {
                run.ending = Ending::BadAlloc;
            }
            run.failed = failure.Happened();
        }
        run.failure = FaultInjection::Failed();
        run.after = Render(output);
        if constexpr (std::is_same_v<Input, _variant_t>)
            ExpectUnlocked(input);
        if constexpr (std::is_same_v<Output, _variant_t>)
            ExpectUnlocked(output);
        // A list that does not own its elements leaves them to its caller.
        if constexpr (requires { output.OwnsElements(); })
            for (std::uint64_t index = 0; !output.OwnsElements() && index < output.Count(); ++index)
                delete output[index];
        return run;
    };
}

struct Scenario {
    const char* name;
    std::function<Attempt(long)> run;
    const char* documented = nullptr; // another documented output: a point's vt without its array
};

bool Documented(Ending ending, Operation failed, bool exceptionMode) {
    if (failed == Operation::AlignedAllocation)
        return ending == (exceptionMode ? Ending::BadAlloc : Ending::Returned);
    if (failed == Operation::Reallocation)
        return ending == Ending::BadAlloc;
    const bool platform = failed == Operation::SafeArrayAllocation || failed == Operation::StringAllocation;
    return ending == Ending::Returned || ending == (platform ? Ending::OutOfMemory : Ending::BadAlloc);
}

// Appended, emptied or partly written in place: `part` is `whole` with elements left out, an empty
// element standing for any.
bool IsPartOf(const Contents& part, const Contents& whole) {
    std::size_t next = 0;
    for (const std::string& element : part) {
        while (next < whole.size() && !element.empty() && whole[next] != element)
            ++next;
        if (next++ == whole.size())
            return false;
    }
    return true;
}

// Numbers as an automation client mixes them: integers, floats, texts that are numbers.
_variant_t MixedNumbers(int count) {
    const _variant_t pool[] = {3L, OLESTR("2.5"), 1.5f, OLESTR("-4"), 5.0, 6L};
    std::vector<_variant_t> values;
    for (int index = 0; index < count; ++index)
        values.push_back(pool[index % 6]);
    return VariantArray(values);
}

_variant_t Texts(std::vector<const OLECHAR*> texts) {
    std::vector<BSTR> owned;
    for (const OLECHAR* text : texts)
        owned.push_back(SysAllocString(text));
    return OwnedArray(VT_BSTR, owned);
}

// Fills a kernel list with the values; a pointer list gets a new element made from each.
template <class T>
auto Holding(std::vector<T> values) {
    return [values](auto& list) {
        for (const T& value : values) {
            if constexpr (requires { list.OwnsElements(); })
                list.Add(new std::remove_pointer_t<std::remove_reference_t<decltype(list[0])>>(value));
            else
                list.Add(value);
        }
    };
}

// Two new OLE font objects.
void TwoFonts(_variant_t& value) {
    std::vector<IDispatch*> fonts(2);
    for (IDispatch*& font : fonts) {
        OLECHAR name[] = OLESTR("Arial");
        FONTDESC description{sizeof(FONTDESC), name, {}, 700, 0, FALSE, FALSE, FALSE};
        description.cySize.int64 = 120000;
        void* created = nullptr;
        EXPECT_EQ(OleCreateFontIndirect(&description, IID_IDispatch, &created), S_OK);
        font = static_cast<IDispatch*>(created);
    }
    value = OwnedArray(VT_DISPATCH, fonts);
}

const MbMatrix3D shift = MbMatrix3D::Translation(10, 0, 0);
const auto nothing = [](auto&) {};
const auto notOwning = [](auto& list) { list.SetOwnsElements(false); };
const auto strings = Holding<const OLECHAR*>({OLESTR("old"), OLESTR("x")});
const auto values = Holding<_variant_t>({OLESTR("a"), DoubleArray({1, 2})});
const auto toSArray = [](const VARIANT& v, auto& o) { CopyVariantToSArray(v, o); };
const auto toVector = [](const VARIANT& v, auto& o) { CopyVariantToVector(v, o); };
const auto fromSArray = [](const auto& i, VARIANT& o) { CopySArrayToVariant(i, o); };
const auto fromVector = [](const auto& i, VARIANT& o) { CopyVectorToVariant(i, o); };
const auto toPoints = [](const VARIANT& v, auto& o) { FillMbCartPoint3DVector(v, o, &shift); };
const auto toAllCoordinates = [](const VARIANT& v, auto& o) { CopyVariantToSArray(v, o, true); };
const auto fromPoints = [](const auto& p, VARIANT& o) { FillSafeArray(o, p, &shift); };
const auto fromPoint = [](const MbCartPoint& p, VARIANT& o) { TransformMbCartPointToVariant(o, p); };
const auto toPoint = [](const VARIANT& v, MbCartPoint& p) { TransformVariantToMbCartPoint(p, v); };
const auto fromMatrix = [](const MbMatrix3D& m, VARIANT& o) { MbMatrix3DToVariant(m, o); };
const auto toStrArray = [](const VARIANT& v, auto& o) { FillStrArray(v, o); };
const auto toWideStrings = [](const VARIANT& v, auto& o) { FillVectorToStrArray(v, o); };
const auto fromStrArray = [](const auto& s, VARIANT& o) { FillBSTRSafeArray(o, s); };
const auto fromWideStrings = [](const auto& s, VARIANT& o) { FillVectorToBSTRSafeArray(o, s); };
const auto toFonts = [](const VARIANT& v, auto& o) { CopyVariantToFontParamsVector(v, o); };

} // namespace

TEST(AllocationFailures, EveryFamilyEndsAsDocumented) {
    using Strings = PArray<old::string>;
    using Values = PArray<_variant_t>;
    using Points = std::vector<MbCartPoint3D>;
    const Scenario scenarios[] = {
        {"SArray<double>, typed, replacing",
         Calling<_variant_t, SArray<double>>(DoubleArray({1, 2, 3, 4, 5}), Holding<double>({9}), toSArray)},
        {"SArray<long>, VARIANTs, appending",
         Calling<_variant_t, SArray<long>>(MixedNumbers(6), Holding<long>({9, 8, 7, 6}), toSArray)},
        {"vector<int>, VARIANTs", Calling<_variant_t, std::vector<int>>(MixedNumbers(6), nothing, toVector)},
        {"vector<float>, doubles replacing",
         Calling<_variant_t, std::vector<float>>(DoubleArray({1, 2}), std::vector<float>{7}, toVector)},
        {"CopySArrayToVariant<double>",
         Calling<SArray<double>, _variant_t>(Holding<double>({1.5, 2.5, 3.5}), nothing, fromSArray)},
        {"CopyVectorToVariant<double>",
         Calling<std::vector<double>, _variant_t>(std::vector<double>{1.5, 2.5}, nothing, fromVector)},
        {"FillMbCartPoint3DVector, VARIANTs through a matrix",
         Calling<_variant_t, Points>(MixedNumbers(6), Points(1), toPoints)},
        {"SArray<MbFloatPoint3D>, typed, capacity set first",
         Calling<_variant_t, SArray<MbFloatPoint3D>>(DoubleArray({1, 2, 3, 4, 5, 6}),
                                                     Holding(std::vector<MbFloatPoint3D>(5)), toSArray)},
        {"SArray<MbCartPoint3D>, VARIANTs, appending",
         Calling<_variant_t, SArray<MbCartPoint3D>>(MixedNumbers(12), Holding(std::vector<MbCartPoint3D>(4)),
                                                    toAllCoordinates)},
        {"FillSafeArray, through a matrix", Calling<Points, _variant_t>(Points(3), nothing, fromPoints)},
        {"TransformMbCartPointToVariant",
         Calling<MbCartPoint, _variant_t>(MbCartPoint(3, 4), nothing, fromPoint), "vt 8197, no array"},
        {"TransformVariantToMbCartPoint, texts that are numbers",
         Calling<_variant_t, MbCartPoint>(VariantArray({OLESTR("7"), OLESTR("8")}), nothing, toPoint)},
        {"SArray<MbMatrix3D>", Calling<_variant_t, SArray<MbMatrix3D>>(MixedNumbers(32), nothing, toSArray)},
        {"MbMatrix3DToVariant", Calling<MbMatrix3D, _variant_t>(shift, nothing, fromMatrix)},
        {"FillStrArray, BSTRs",
         Calling<_variant_t, Strings>(Texts({OLESTR("a"), OLESTR(""), OLESTR("bc")}), strings, toStrArray)},
        {"FillStrArray, VARIANTs, not owning",
         Calling<_variant_t, Strings>(MixedNumbers(4), notOwning, toStrArray)},
        {"FillVectorToStrArray, VARIANTs",
         Calling<_variant_t, std::vector<WideString>>(MixedNumbers(4), nothing, toWideStrings)},
        {"FillBSTRSafeArray", Calling<Strings, _variant_t>(strings, nothing, fromStrArray)},
        {"FillVectorToBSTRSafeArray",
         Calling<std::vector<WideString>, _variant_t>(
             std::vector<WideString>{OLESTR("a"), OLESTR("bc"), OLESTR("")}, nothing, fromWideStrings)},
        {"PArray<_variant_t>, nested",
         Calling<_variant_t, Values>(VariantArray({OLESTR("a"), DoubleArray({1, 2}), 2.5}), nothing,
                                     toSArray)},
        {"PArray<_variant_t>, BSTRs, not owning",
         Calling<_variant_t, Values>(Texts({OLESTR("a"), OLESTR("bc")}), notOwning, toSArray)},
        {"CopySArrayToVariant<_variant_t>", Calling<Values, _variant_t>(values, nothing, fromSArray)},
        {"CopyVariantToFontParamsVector, two fonts",
         Calling<_variant_t, std::vector<zfont::FontParams>>(TwoFonts, nothing, toFonts)},
    };
    std::set<Operation> met;
    for (const Scenario& scenario : scenarios) {
        for (bool exceptionMode : {false, true}) {
            SCOPED_TRACE(std::string(scenario.name) + (exceptionMode ? ", exception mode" : ""));
            const ScopedExceptionMode mode(exceptionMode);
            const Attempt complete = scenario.run(LONG_MAX);
            EXPECT_EQ(complete.ending, Ending::Returned) << "failed with nothing failing";
            Attempt run;
            for (long successes = 0; (run = scenario.run(successes)).failed; ++successes) {
                met.insert(run.failure);
                SCOPED_TRACE("allocation " + std::to_string(successes + 1) + " failing, of kind " +
                             std::to_string(static_cast<int>(run.failure)));
                EXPECT_TRUE(Documented(run.ending, run.failure, exceptionMode))
                    << "ended as " << static_cast<int>(run.ending);
                EXPECT_TRUE(run.after == run.before || IsPartOf(run.after, complete.after) ||
                            (scenario.documented != nullptr && run.after == Contents{scenario.documented}))
                    << "the output holds what the call never made";
            }
        }
    }
    for (Operation kind : {Operation::SafeArrayAllocation, Operation::StringAllocation,
                           Operation::AlignedAllocation, Operation::Reallocation, Operation::OperatorNew})
        EXPECT_TRUE(met.count(kind) != 0)
            << "allocations of kind " << static_cast<int>(kind) << " never reached";
}
