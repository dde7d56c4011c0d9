// The host kit's argument view and check on what a script could send: random values behind random
// chains of VT_BYREF|VT_VARIANT (cycles among them), and array-like script objects that lie about their
// length, have holes or raise while an element is read. The view and the check must leave the caller's
// value as it was, copy no by-reference array, give back every reference they took and raise only what
// the kit documents; a checked value then goes to its reader, and its result to ScriptResult.
#include "CallChecks.h"

#include <WindowsUtilsHostKit.h>

#include "support/ScriptArrayObject.h"

#include <array>
#include <optional>

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_ARRAY | VT_VARIANT,
                                VT_ARRAY | VT_R8,
                                VT_ARRAY | VT_R4,
                                VT_ARRAY | VT_I4,
                                VT_ARRAY | VT_BSTR,
                                VT_ARRAY | VT_DISPATCH,
                                VT_BYREF | VT_VARIANT,
                                VT_BYREF | VT_ARRAY | VT_R8,
                                VT_R8,
                                VT_BSTR};
const DecodingRules rules{favoured};

const HostKit::ReaderForm* const forms[] = {
    &HostKit::Reads::vectorOfDoubles, &HostKit::Reads::vectorOfIntegers,
    &HostKit::Reads::sarrayOfBytes,   &HostKit::Reads::points3D,
    &HostKit::Reads::pointVector3D,   &HostKit::Reads::floatPoints2D,
    &HostKit::Reads::onePoint2D,      &HostKit::Reads::pointsInPlace3D,
    &HostKit::Reads::matrix,          &HostKit::Reads::matrices,
    &HostKit::Reads::texts,           &HostKit::Reads::values,
    &HostKit::Reads::fonts,
};

// An element a script array may hold: a number, a text, an array, an object, Nothing or Empty. (Not a
// copy of the decoded value: its arrays may be damaged on purpose, and copying those is no view's work.)
_variant_t Element(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return _variant_t(input.ConsumeFloatingPoint<double>());
    case 1:
        return _variant_t(input.ConsumeBool() ? OLESTR("12.5") : OLESTR("twelve"));
    case 2: {
        _variant_t array;
        CopyVectorToVariant(std::vector<double>{1, 2, 3}, array);
        return array;
    }
    case 3: {
        IDispatch* object = new PlainObject();
        return _variant_t(object, false);
    }
    case 4:
        return _variant_t(static_cast<IDispatch*>(nullptr));
    default:
        return _variant_t();
    }
}

// A script object built from the input: its elements, with holes, and a length that may lie.
void Furnish(ScriptArrayObject& object, FuzzedDataProvider& input) {
    const int count = input.ConsumeIntegralInRange(0, 6);
    for (int index = 0; index < count; ++index)
        if (input.ConsumeIntegralInRange(0, 7) != 0)
            object.elements[index] = Element(input);
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        object.length = static_cast<double>(count);
        break;
    case 1:
        object.length = input.ConsumeFloatingPoint<double>();
        break;
    case 2:
        object.length = static_cast<long>(input.ConsumeIntegral<std::int32_t>());
        break;
    default:
        object.length = Element(input);
        break;
    }
    object.failingRead = input.ConsumeIntegralInRange(-1, 6);
}

// Reads with the library's reader for the form the check took; its result goes through ScriptResult.
void ReadChecked(const VARIANT& value, const HostKit::ReaderForm& form) {
    std::vector<double> numbers;
    std::vector<MbCartPoint3D> points;
    MbMatrix3D matrix;
    if (&form == &HostKit::Reads::vectorOfDoubles)
        Run([&] { CopyVariantToVector(value, numbers); });
    else if (&form == &HostKit::Reads::pointVector3D)
        Run([&] { return FillMbCartPoint3DVector(value, points, nullptr); });
    else if (&form == &HostKit::Reads::matrix)
        Run([&] { return CopyVariantToMbMatrix3D(value, matrix); });
    _variant_t written;
    if (!numbers.empty())
        CopyVectorToVariant(numbers, written);
    else if (!points.empty())
        FillSafeArray(written, points, nullptr);
    try {
        const _variant_t result = HostKit::ScriptResult(std::move(written));
        Expect(result.vt == (VT_ARRAY | VT_VARIANT), "ScriptResult gave no VARIANT array");
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int levels = input.ConsumeIntegralInRange(0, 20);
    const int cycleAt = input.ConsumeIntegralInRange(-1, levels);
    const bool scriptObject = input.ConsumeBool();
    const bool writeBack = input.ConsumeBool();
    DecodedValue decoded(input, rules);
    ScriptArrayObject object({});
    _variant_t objectValue;
    VARIANT* innermost = &decoded.Value();
    if (scriptObject) {
        Furnish(object, input);
        objectValue = static_cast<IDispatch*>(&object);
        innermost = &objectValue;
    }
    // The chain: chain[0] is what Invoke hands over, chain[levels] the value.
    std::vector<VARIANT> chain(static_cast<std::size_t>(levels));
    for (int level = levels - 1; level >= 0; --level) {
        chain[level].vt = VT_BYREF | VT_VARIANT;
        chain[level].pvarVal = level + 1 < levels ? &chain[level + 1] : innermost;
    }
    if (cycleAt >= 0 && levels > 0)
        chain[levels - 1].pvarVal = &chain[cycleAt % levels];
    VARIANT& argument = levels > 0 ? chain[0] : *innermost;
    const HostKit::ReaderForm& form =
        *forms[input.ConsumeIntegralInRange<std::size_t>(0, std::size(forms) - 1)];

    if (std::getenv("FUZZ_DESCRIBE") != nullptr) {
        decoded.Describe(stderr);
        std::fprintf(stderr, "levels %d, cycle at %d, script object %d\n", levels, cycleAt, scriptObject);
    }
    const std::vector<std::byte> before = decoded.Snapshot();
    const LONG objectReferences = object.references();
    try {
        HostKit::ArgumentView view(argument, OLESTR("Fuzz"));
        VARIANT& value = view.Value();
        if (!scriptObject && (innermost->vt & (VT_BYREF | VT_ARRAY)) == (VT_BYREF | VT_ARRAY) &&
            cycleAt < 0 && innermost->pparray != nullptr)
            Expect(value.parray == *innermost->pparray, "a by-reference array was copied");
        const std::optional<HostKit::Mismatch> mismatch = HostKit::Check(value, form);
        if (!mismatch && decoded.LocksAsHanded())
            ReadChecked(value, form);
        Expect(!mismatch || !mismatch->arrived.empty(), "a mismatch without words");
        if (writeBack)
            view.WriteBack();
    } catch (const HostKit::Refusal& refusal) {
        Expect(!refusal.Description().empty() && FAILED(refusal.Code()), "a refusal without words or code");
    } catch (const _com_error& error) {
        Expect(FAILED(error.Error()), "_com_error carrying a success code");
    } catch (const std::bad_alloc&) {
    } catch (...) {
        Finding("an exception the kit does not document");
    }
    Expect(object.references() == objectReferences, "the view kept a reference to the script object");
    decoded.CallEnded(false);
    Expect(decoded.Snapshot() == before, "the view or the check changed the caller's value");
    Expect(decoded.LocksAsHanded(), "an array left with another lock count");
    return 0;
}
