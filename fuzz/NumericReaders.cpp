// The numeric readers: five SArray readers and seven vector readers.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_ARRAY | VT_UI1,
                                VT_ARRAY | VT_I1,
                                VT_ARRAY | VT_BOOL,
                                VT_ARRAY | VT_I4,
                                VT_ARRAY | VT_UI4,
                                VT_ARRAY | VT_INT,
                                VT_ARRAY | VT_UINT,
                                VT_ARRAY | VT_R4,
                                VT_ARRAY | VT_R8,
                                VT_ARRAY | VT_VARIANT,
                                VT_UI1,
                                VT_I1,
                                VT_BOOL,
                                VT_I4,
                                VT_UI4,
                                VT_INT,
                                VT_UINT,
                                VT_R4,
                                VT_R8,
                                VT_VARIANT};
const DecodingRules rules{favoured};

template <class Element>
void ReadIntoSArray(FuzzedDataProvider& input) {
    SArray<Element> output;
    Prefill(input, output);
    const ScopedExceptionMode mode(input.ConsumeBool());
    DecodedValue value(input, rules);
    CheckCall(value, output, {}, [](const VARIANT& source, SArray<Element>& target) {
        return CopyVariantToSArray(source, target);
    });
}

template <class Element>
void ReadIntoVector(FuzzedDataProvider& input) {
    std::vector<Element> output;
    Prefill(input, output);
    const std::vector<Element> before = output;
    DecodedValue value(input, rules);
    CheckCall(value, output, {}, [](const VARIANT& source, std::vector<Element>& target) {
        CopyVariantToVector(source, target);
    });
    // Only the float reader replaces the content (when it reads doubles); every other one appends.
    if constexpr (!std::is_same_v<Element, float>)
        Expect(StillBegins(output, before), "a vector reader dropped what the vector held");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 11)) {
    case 0:
        ReadIntoSArray<unsigned char>(input);
        break;
    case 1:
        ReadIntoSArray<short>(input);
        break;
    case 2:
        ReadIntoSArray<long>(input);
        break;
    case 3:
        ReadIntoSArray<float>(input);
        break;
    case 4:
        ReadIntoSArray<double>(input);
        break;
    case 5:
        ReadIntoVector<int>(input);
        break;
    case 6:
        ReadIntoVector<unsigned int>(input);
        break;
    case 7:
        ReadIntoVector<long>(input);
        break;
    case 8:
        ReadIntoVector<float>(input);
        break;
    case 9:
        ReadIntoVector<double>(input);
        break;
    case 10:
        ReadIntoVector<std::byte>(input);
        break;
    default:
        ReadIntoVector<bool>(input);
        break;
    }
    return 0;
}
