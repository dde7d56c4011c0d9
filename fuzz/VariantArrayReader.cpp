// The variant-array reader, CopyVariantToSArray into PArray<_variant_t>; what it read is written back
// by CopySArrayToVariant.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {
    VT_ARRAY | VT_VARIANT, VT_ARRAY | VT_R8,   VT_ARRAY | VT_R4,   VT_ARRAY | VT_I4, VT_ARRAY | VT_UI4,
    VT_ARRAY | VT_INT,     VT_ARRAY | VT_UINT, VT_ARRAY | VT_BSTR, VT_BSTR,          VT_EMPTY,
    VT_BYREF | VT_VARIANT};
const DecodingRules rules{favoured};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    PArray<_variant_t> output;
    output.SetOwnsElements(input.ConsumeBool());
    std::vector<_variant_t*> prefilled;
    for (int index = input.ConsumeIntegralInRange(0, 3); index > 0; --index) {
        prefilled.push_back(new _variant_t(input.ConsumeIntegral<long>()));
        output.Add(prefilled.back());
    }
    const ScopedExceptionMode mode(input.ConsumeBool());
    {
        DecodedValue value(input, rules);
        // Emptied first whatever follows, so a refusal leaves it empty.
        CheckCall(value, output, {true, OnFalse::Emptied},
                  [](const VARIANT& source, PArray<_variant_t>& target) {
                      return CopyVariantToSArray(source, target);
                  });
    }
    VARIANT written;
    VariantInit(&written);
    if (Run([&] { return CopySArrayToVariant(output, written); }) == Ending::True)
        Expect(SUCCEEDED(VariantClear(&written)), "the written array could not be released");
    if (!output.OwnsElements()) {
        for (std::uint64_t index = 0; index < output.Count(); ++index)
            delete output[index];
        for (_variant_t* element : prefilled)
            delete element;
    }
    return 0;
}
