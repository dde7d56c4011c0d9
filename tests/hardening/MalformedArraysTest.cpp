// The list readers handed arrays whose descriptors lie, each describing no more data than the array holds
// (the shapes the fuzz targets start from): every reader refuses or reads nothing, never past the data
// (the sanitizer build would see it), leaves the output as documented and the array unlocked.
#include <WindowsUtils.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

struct Shape {
    const char* name;
    void (*lie)(SAFEARRAY&);
    bool dataReachable = true;
};

const Shape shapes[] = {
    {"lower bound -4: count beyond the data", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = -4; }},
    {"lower bound above the count", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = 9; }},
    {"count near 2^31", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = INT_MIN + 3; }},
    {"count past 2^31", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = INT_MAX; }},
    {"wider elements, fewer of them", [](SAFEARRAY& a) { a.cbElements *= 2, a.rgsabound[0].cElements /= 2; }},
    {"no dimensions", [](SAFEARRAY& a) { a.cDims = 0; }},
    {"no data", [](SAFEARRAY& a) { a.pvData = nullptr; }, false},
};

// Reads into an output that held one element; gives the result and the elements left.
template <class Output, class Read>
std::function<std::pair<bool, std::uint64_t>(const VARIANT&)> Into(Read read) {
    return [read](const VARIANT& value) {
        Output output;
        if constexpr (requires { output.OwnsElements(); })
            output.Add(new std::remove_pointer_t<std::remove_reference_t<decltype(output[0])>>());
        else if constexpr (requires { output.Count(); })
            output.Add({});
        else
            output.resize(1);
        const bool result = read(value, output);
        if constexpr (requires { output.size(); })
            return std::pair(result, std::uint64_t{output.size()});
        else
            return std::pair(result, output.Count());
    };
}

const auto toSArray = [](const VARIANT& v, auto& o) { return CopyVariantToSArray(v, o); };
// The vector readers report nothing.
const auto toVector = [](const VARIANT& v, auto& o) { return CopyVariantToVector(v, o), false; };
const auto toStrings = [](const VARIANT& v, auto& o) { return FillStrArray(v, o); };
const auto toWideStrings = [](const VARIANT& v, auto& o) { return FillVectorToStrArray(v, o), false; };
const auto toFonts = [](const VARIANT& v, auto& o) { return CopyVariantToFontParamsVector(v, o); };

TEST(MalformedArrays, AreReadAsNothingByEveryListReader) {
    struct Reader {
        const char* name;
        VARTYPE vt;
        std::function<std::pair<bool, std::uint64_t>(const VARIANT&)> read;
        std::uint64_t left;
        // A malformed array whose data can be reached reads as empty (true).
        bool readsAsEmpty = false;
    } const readers[] = {
        {"SArray<unsigned char>", VT_UI1, Into<SArray<unsigned char>>(toSArray), 1},
        {"SArray<short> from booleans", VT_BOOL, Into<SArray<short>>(toSArray), 1},
        {"SArray<double> from VARIANTs", VT_VARIANT, Into<SArray<double>>(toSArray), 1},
        {"vector<int>", VT_I4, Into<std::vector<int>>(toVector), 1},
        {"vector<unsigned int>", VT_UINT, Into<std::vector<unsigned int>>(toVector), 1},
        {"vector<float> from doubles", VT_R8, Into<std::vector<float>>(toVector), 1},
        {"vector<double> from VARIANTs", VT_VARIANT, Into<std::vector<double>>(toVector), 1},
        {"vector<bool>", VT_BOOL, Into<std::vector<bool>>(toVector), 1},
        // The string readers and the variant list reader empty their output first.
        {"FillStrArray", VT_BSTR, Into<PArray<old::string>>(toStrings), 0, true},
        {"FillVectorToStrArray from VARIANTs", VT_VARIANT, Into<std::vector<WideString>>(toWideStrings), 0},
        {"PArray<_variant_t> from doubles", VT_R8, Into<PArray<_variant_t>>(toSArray), 0},
        {"PArray<_variant_t> from VARIANTs", VT_VARIANT, Into<PArray<_variant_t>>(toSArray), 0, true},
        {"font records", VT_DISPATCH, Into<std::vector<zfont::FontParams>>(toFonts), 1},
    };
    static const std::byte zeros[8 * sizeof(VARIANT)]{};
    for (const Reader& reader : readers)
        for (const Shape& shape : shapes) {
            SCOPED_TRACE(std::string(reader.name) + ", " + shape.name);
            const _variant_t value = TestSupport::OwnedArray(reader.vt, zeros, 8);
            const SAFEARRAY original = *value.parray;
            shape.lie(*value.parray);
            const auto [result, left] = reader.read(value);
            EXPECT_EQ(result, reader.readsAsEmpty && shape.dataReachable);
            EXPECT_EQ(left, reader.left);
            TestSupport::ExpectUnlocked(value);
            *value.parray = original; // so that the array can be destroyed
        }
}

} // namespace
