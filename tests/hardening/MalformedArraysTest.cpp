// The numeric, string, variant and font readers handed arrays whose descriptors a careless or hostile
// caller left wrong, each describing no more data than the array holds (the shapes the fuzz targets
// start from). Every reader refuses or reads nothing, reads nothing past the data (the sanitizer build
// would see it), leaves the output as documented and the array unlocked.
#include <WindowsUtils.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

struct Shape {
    const char* name;
    std::function<void(SAFEARRAY&)> lie;
    bool dataReachable = true;
};

const Shape shapes[] = {
    {"lower bound -4: count beyond the data", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = -4; }},
    {"lower bound above the count", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = 9; }},
    {"count near 2^31", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = INT_MIN + 3; }},
    {"count past 2^31", [](SAFEARRAY& a) { a.rgsabound[0].lLbound = INT_MAX; }},
    {"wider elements, fewer of them",
     [](SAFEARRAY& a) {
         a.cbElements *= 2;
         a.rgsabound[0].cElements /= 2;
     }},
    {"no dimensions", [](SAFEARRAY& a) { a.cDims = 0; }},
    {"no data", [](SAFEARRAY& a) { a.pvData = nullptr; }, false},
};

// The descriptor as the caller left it for one call, put back afterwards so the array can be destroyed.
class Tampered {
public:
    Tampered(VARIANT& value, const Shape& shape) : array_(*value.parray), original_(*value.parray) {
        shape.lie(array_);
    }
    ~Tampered() { array_ = original_; }
    Tampered(const Tampered&) = delete;
    Tampered& operator=(const Tampered&) = delete;

private:
    SAFEARRAY& array_;
    SAFEARRAY original_;
};

struct Reading {
    bool result;
    std::size_t left; // elements in the output afterwards
};

struct Reader {
    const char* name;
    VARTYPE vt;
    // Reads the value into an output that held one element.
    std::function<Reading(VARIANT&)> read;
    std::size_t left;
    // The string readers and the VARIANT path of the variant-array reader take a malformed array as an
    // empty one (true), unless its data cannot be reached.
    bool readsAsEmpty = false;
};

template <class T>
void AddOne(SArray<T>& array) {
    array.Add(T{});
}
template <class T>
void AddOne(PArray<T>& array) {
    array.Add(new T());
}
template <class T>
void AddOne(std::vector<T>& vector) {
    vector.push_back(T{});
}

template <class Output, class Read>
std::function<Reading(VARIANT&)> Into(Read read) {
    return [read](VARIANT& value) {
        Output output;
        AddOne(output);
        const bool result = read(value, output);
        if constexpr (requires { output.size(); })
            return Reading{result, output.size()};
        else
            return Reading{result, static_cast<std::size_t>(output.Count())};
    };
}

const auto copyToSArray = [](const VARIANT& v, auto& o) { return CopyVariantToSArray(v, o); };
const auto copyToVector = [](const VARIANT& v, auto& o) {
    CopyVariantToVector(v, o);
    return false;
};

TEST(MalformedArrays, AreReadAsNothingByEveryListReader) {
    const Reader readers[] = {
        {"SArray<unsigned char>", VT_UI1, Into<SArray<unsigned char>>(copyToSArray), 1},
        {"SArray<short>", VT_BOOL, Into<SArray<short>>(copyToSArray), 1},
        {"SArray<long>", VT_I4, Into<SArray<long>>(copyToSArray), 1},
        {"SArray<float>", VT_R4, Into<SArray<float>>(copyToSArray), 1},
        {"SArray<double>", VT_R8, Into<SArray<double>>(copyToSArray), 1},
        {"SArray<double> from VARIANTs", VT_VARIANT, Into<SArray<double>>(copyToSArray), 1},
        {"vector<int>", VT_I4, Into<std::vector<int>>(copyToVector), 1},
        {"vector<unsigned int>", VT_UINT, Into<std::vector<unsigned int>>(copyToVector), 1},
        {"vector<float>", VT_R8, Into<std::vector<float>>(copyToVector), 1},
        {"vector<double> from VARIANTs", VT_VARIANT, Into<std::vector<double>>(copyToVector), 1},
        {"vector<std::byte>", VT_UI1, Into<std::vector<std::byte>>(copyToVector), 1},
        {"vector<bool>", VT_BOOL, Into<std::vector<bool>>(copyToVector), 1},
        // The string readers empty their output and read a malformed array as empty (true).
        {"FillStrArray", VT_BSTR,
         Into<PArray<old::string>>([](const VARIANT& v, auto& o) { return FillStrArray(v, o); }), 0, true},
        {"FillVectorToStrArray from VARIANTs", VT_VARIANT,
         Into<std::vector<WideString>>([](const VARIANT& v, auto& o) {
             FillVectorToStrArray(v, o);
             return false;
         }),
         0},
        // The variant-array reader empties its output; a malformed typed array fails its typed reader.
        {"PArray<_variant_t> from doubles", VT_R8, Into<PArray<_variant_t>>(copyToSArray), 0},
        {"PArray<_variant_t> from VARIANTs", VT_VARIANT, Into<PArray<_variant_t>>(copyToSArray), 0, true},
        {"font records", VT_DISPATCH, Into<std::vector<zfont::FontParams>>([](const VARIANT& v, auto& o) {
             return CopyVariantToFontParamsVector(v, o);
         }),
         1},
    };
    for (const Reader& reader : readers)
        for (const Shape& shape : shapes) {
            SCOPED_TRACE(std::string(reader.name) + ", " + shape.name);
            SAFEARRAYBOUND bound{8, 0};
            VARIANT value;
            VariantInit(&value);
            value.vt = static_cast<VARTYPE>(VT_ARRAY | reader.vt);
            value.parray = SafeArrayCreate(reader.vt, 1, &bound);
            ASSERT_NE(value.parray, nullptr);
            {
                Tampered tampered(value, shape);
                const Reading reading = reader.read(value);
                EXPECT_EQ(reading.result, reader.readsAsEmpty && shape.dataReachable);
                EXPECT_EQ(reading.left, reader.left);
                EXPECT_EQ(value.parray->cLocks, 0u) << "array left locked";
            }
            VariantClear(&value);
        }
}

} // namespace
