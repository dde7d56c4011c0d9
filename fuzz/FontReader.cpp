// The font reader, CopyVariantToFontParamsVector.
#include "CallChecks.h"

using namespace Fuzz;

namespace {

constexpr VARTYPE favoured[] = {VT_DISPATCH, VT_ARRAY | VT_DISPATCH, VT_ARRAY | VT_VARIANT, VT_UNKNOWN};
const DecodingRules rules{favoured};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<zfont::FontParams> fonts;
    for (int index = input.ConsumeIntegralInRange(0, 2); index > 0; --index)
        fonts.push_back({OLESTR("Old"), 12.0, 1.0, 0.0, 1.0, false, true});
    const std::vector<zfont::FontParams> before = fonts;
    DecodedValue value(input, rules);
    CheckCall(value, fonts, {}, [](const VARIANT& source, std::vector<zfont::FontParams>& target) {
        return CopyVariantToFontParamsVector(source, target);
    });
    Expect(fonts.size() >= before.size() &&
               std::equal(before.begin(), before.end(), fonts.begin(),
                          [](const auto& a, const auto& b) { return a.faceName == b.faceName; }),
           "the font records already there were not kept");
    return 0;
}
