// The point readers: four SArray readers, the three Fill readers with or without a matrix, and the
// single plane point.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_ARRAY | VT_R8, VT_ARRAY | VT_R4, VT_ARRAY | VT_I4, VT_ARRAY | VT_VARIANT,
                                VT_R8};
const DecodingRules rules{favoured};

// Null, the identity, or a matrix of decoded elements (not numbers, now and then).
template <class Matrix>
Matrix* DecodeMatrix(FuzzedDataProvider& input, Matrix& matrix) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
        return nullptr;
    case 1:
        return &matrix;
    default: {
        double elements[Matrix::elementCount] = {};
        for (double& element : elements)
            element = input.ConsumeBool() ? input.ConsumeFloatingPoint<double>()
                                          : input.ConsumeIntegralInRange(-3, 3);
        matrix.SetElements(elements);
        return &matrix;
    }
    }
}

template <class Output, class Read>
void ReadPoints(FuzzedDataProvider& input, Read read) {
    Output output;
    Prefill(input, output);
    const ScopedExceptionMode mode(input.ConsumeBool());
    DecodedValue value(input, rules);
    CheckCall(value, output, {}, read);
}

template <class Output, class Matrix, class Read>
void FillPoints(FuzzedDataProvider& input, Read read) {
    Matrix matrix;
    Matrix* given = DecodeMatrix(input, matrix);
    ReadPoints<Output>(input,
                       [&](const VARIANT& source, Output& target) { return read(source, target, given); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool allCoordinates = input.ConsumeBool();
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
        ReadPoints<SArray<MbCartPoint3D>>(input, [&](const VARIANT& source, SArray<MbCartPoint3D>& target) {
            return CopyVariantToSArray(source, target, allCoordinates);
        });
        break;
    case 1:
        ReadPoints<SArray<MbFloatPoint3D>>(input, [](const VARIANT& source, SArray<MbFloatPoint3D>& target) {
            return CopyVariantToSArray(source, target);
        });
        break;
    case 2:
        ReadPoints<SArray<MbFloatPoint>>(input, [&](const VARIANT& source, SArray<MbFloatPoint>& target) {
            return CopyVariantToSArray(source, target, allCoordinates);
        });
        break;
    case 3:
        ReadPoints<SArray<MbFloatVector3D>>(input,
                                            [](const VARIANT& source, SArray<MbFloatVector3D>& target) {
                                                return CopyVariantToSArray(source, target);
                                            });
        break;
    case 4:
        FillPoints<std::vector<MbCartPoint3D>, MbMatrix3D>(
            input, [](const VARIANT& source, std::vector<MbCartPoint3D>& target, const MbMatrix3D* matrix) {
                return FillMbCartPoint3DVector(source, target, matrix);
            });
        break;
    case 5:
        FillPoints<SArray<MbCartPoint>, MbMatrix>(
            input, [](const VARIANT& source, SArray<MbCartPoint>& target, MbMatrix* matrix) {
                return FillMbCartPointArray(source, target, matrix);
            });
        break;
    case 6:
        FillPoints<std::vector<MbCartPoint>, MbMatrix>(
            input, [](const VARIANT& source, std::vector<MbCartPoint>& target, const MbMatrix* matrix) {
                return FillMbCartPointVector(source, target, matrix);
            });
        break;
    default: {
        MbCartPoint point{input.ConsumeFloatingPoint<double>(), input.ConsumeFloatingPoint<double>()};
        DecodedValue value(input, rules);
        CheckCall(value, point, {}, [](const VARIANT& source, MbCartPoint& target) {
            return TransformVariantToMbCartPoint(target, source);
        });
        break;
    }
    }
    return 0;
}
