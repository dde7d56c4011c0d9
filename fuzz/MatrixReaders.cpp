// The matrix readers: one matrix, and a list of them into an SArray.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_ARRAY | VT_R8, VT_ARRAY | VT_R4, VT_ARRAY | VT_VARIANT};
const DecodingRules rules{favoured};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        MbMatrix3D matrix;
        if (input.ConsumeBool())
            matrix = MbMatrix3D::Translation(1.0, 2.0, 3.0);
        DecodedValue value(input, rules);
        // The elements are gathered apart: a coercion that fails leaves the matrix as it was.
        CheckCall(value, matrix, {true, OnFalse::Untouched, true},
                  [](const VARIANT& source, MbMatrix3D& target) {
                      return CopyVariantToMbMatrix3D(source, target);
                  });
        return 0;
    }
    SArray<MbMatrix3D> matrices;
    Prefill(input, matrices);
    const ScopedExceptionMode mode(input.ConsumeBool());
    DecodedValue value(input, rules);
    CheckCall(value, matrices, {}, [](const VARIANT& source, SArray<MbMatrix3D>& target) {
        return CopyVariantToSArray(source, target);
    });
    return 0;
}
