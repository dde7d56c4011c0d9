// The in-place point operations: TransformPoints in space and in the plane, ResetPoints.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_ARRAY | VT_R8, VT_ARRAY | VT_VARIANT, VT_ARRAY | VT_R4};
// The double assignment releases elements of a VARIANT array: nested arrays keep true descriptors.
const DecodingRules rules{favoured, false};

template <class Matrix>
void DecodeElements(FuzzedDataProvider& input, Matrix& matrix) {
    if (!input.ConsumeBool())
        return;
    double elements[Matrix::elementCount] = {};
    for (double& element : elements)
        element =
            input.ConsumeBool() ? input.ConsumeFloatingPoint<double>() : input.ConsumeIntegralInRange(-3, 3);
    matrix.SetElements(elements);
}

// The value is the call's output here: a refusal must leave it exactly as it was.
template <class Change>
void ChangeInPlace(FuzzedDataProvider& input, Change change) {
    DecodedValue value(input, rules);
    // The value stands for itself as the output; CheckCall compares it whole on a refusal.
    MbCartPoint unused;
    CheckCall(value, unused, {false}, [&](VARIANT& target, MbCartPoint&) { return change(target); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        MbMatrix3D matrix;
        DecodeElements(input, matrix);
        ChangeInPlace(input, [&](VARIANT& value) { return TransformPoints(value, matrix); });
        break;
    }
    case 1: {
        MbMatrix matrix;
        DecodeElements(input, matrix);
        ChangeInPlace(input, [&](VARIANT& value) { return TransformPoints(value, matrix); });
        break;
    }
    default: {
        std::vector<MbCartPoint3D> points;
        Prefill(input, points);
        ChangeInPlace(input, [&](VARIANT& value) { return ResetPoints(value, points); });
        break;
    }
    }
    return 0;
}
