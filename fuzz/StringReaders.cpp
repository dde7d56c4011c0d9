// The string readers, FillStrArray and FillVectorToStrArray; what they read is written back by the
// matching writer.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_EMPTY, VT_BSTR, VT_ARRAY | VT_BSTR, VT_ARRAY | VT_VARIANT};
const DecodingRules rules{favoured};

bool IsStringListForm(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_BSTR || vt == (VT_ARRAY | VT_BSTR) || vt == (VT_ARRAY | VT_VARIANT);
}

const OLECHAR* const texts[] = {OLESTR("old"), OLESTR(""), nullptr};

void ReadStrings(FuzzedDataProvider& input) {
    PArray<old::string> output;
    output.SetOwnsElements(input.ConsumeBool());
    std::vector<old::string*> prefilled;
    for (int index = input.ConsumeIntegralInRange(0, 3); index > 0; --index) {
        prefilled.push_back(new old::string(input.PickValueInArray(texts)));
        output.Add(prefilled.back());
    }
    const ScopedExceptionMode mode(input.ConsumeBool());
    {
        DecodedValue value(input, rules);
        const bool accepted = IsStringListForm(value.Value().vt);
        const State before = StateOf(output);
        // A refusal here is the one of the data: the output was emptied before.
        const Ending ending = CheckCall(
            value, output, {true, OnFalse::Emptied},
            [](const VARIANT& source, PArray<old::string>& target) { return FillStrArray(source, target); });
        if (!accepted)
            Expect(ending == Ending::True && StateOf(output) == before, "a refused form changed the strings");
    }
    VARIANT written;
    VariantInit(&written);
    if (Run([&] { return FillBSTRSafeArray(written, output); }) == Ending::True)
        VariantClear(&written);
    if (!output.OwnsElements()) {
        // What a non-owning array held and was handed stays the caller's.
        for (std::uint64_t index = 0; index < output.Count(); ++index)
            if (std::find(prefilled.begin(), prefilled.end(), output[index]) == prefilled.end())
                delete output[index];
        for (old::string* element : prefilled)
            delete element;
    }
}

void ReadWideStrings(FuzzedDataProvider& input) {
    std::vector<WideString> output;
    for (int index = input.ConsumeIntegralInRange(0, 3); index > 0; --index)
        output.emplace_back(OLESTR("old"));
    {
        DecodedValue value(input, rules);
        const bool accepted = IsStringListForm(value.Value().vt);
        const State before = StateOf(output);
        CheckCall(value, output, {}, [](const VARIANT& source, std::vector<WideString>& target) {
            FillVectorToStrArray(source, target);
        });
        if (!accepted)
            Expect(StateOf(output) == before, "a refused form changed the wide strings");
    }
    for (const WideString& text : output)
        Expect(text.find(WCHAR{0}) == WideString::npos, "a text kept a NUL character");
    VARIANT written;
    VariantInit(&written);
    if (Run([&] { FillVectorToBSTRSafeArray(written, output); }) == Ending::Returned &&
        written.parray != nullptr)
        SafeArrayDestroy(written.parray);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool())
        ReadStrings(input);
    else
        ReadWideStrings(input);
    return 0;
}
