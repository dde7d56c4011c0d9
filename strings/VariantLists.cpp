// Lists of arbitrary values: RPArray<_variant_t> to a VARIANT array, and any value to PArray<_variant_t>.
#include <WindowsUtils.h>

#include "frame/ArrayOutput.h"
#include "frame/StringCoercion.h"
#include "frame/VariantTraits.h"
#include "strings/ListElements.h"

#include <limits>
#include <memory>

namespace WindowsUtils {
namespace {

using Element = std::unique_ptr<_variant_t>;

// A deep copy of one value; _com_error with VariantCopy's HRESULT when it cannot be made.
Element CopyOf(const VARIANT& value) {
    auto element = std::make_unique<_variant_t>();
    const HRESULT result = VariantCopy(element.get(), &value);
    if (FAILED(result))
        throw _com_error(result);
    return element;
}

// An element of type ElementVt written directly from a value read by a typed reader; a `long` keeps
// its 32 bits.
template <VARTYPE ElementVt, class Value>
Element ElementOf(Value value) {
    auto element = std::make_unique<_variant_t>();
    VariantTraits<ElementVt>::Member(*element) = static_cast<ElementType<ElementVt>>(value);
    element->vt = ElementVt;
    return element;
}

// A VT_BSTR element holding the string's text; a string without text gives an empty BSTR.
Element ElementOf(const old::string& text) {
    auto element = std::make_unique<_variant_t>();
    element->bstrVal = CopyText(text.Text() != nullptr ? text.Text() : OLESTR("")).release();
    element->vt = VT_BSTR;
    return element;
}

// A value without VT_ARRAY becomes one element; VT_ARRAY|VT_VARIANT one element per array element,
// where an array that is null, has other than one dimension or is malformed gives none and succeeds.
bool AppendCopies(const VARIANT& input, PArray<_variant_t>& output) {
    if (input.vt != (VT_ARRAY | VT_VARIANT)) {
        AppendOwned(output, CopyOf(input));
        return true;
    }
    return VisitElements<VARIANT>(input.parray, VT_VARIANT, [&output](const VARIANT& element) {
        AppendOwned(output, CopyOf(element));
    });
}

// The typed paths: the numeric reader fills a temporary, whose values become elements whatever it
// reported; its result is the outcome.
template <VARTYPE ElementVt, class Value>
bool AppendTypedValues(const VARIANT& input, PArray<_variant_t>& output) {
    SArray<Value> values;
    const bool read = CopyVariantToSArray(input, values);
    for (const Value& value : values)
        AppendOwned(output, ElementOf<ElementVt>(value));
    return read;
}

// The string path: FillStrArray fills a temporary, whose strings become VT_BSTR elements.
bool AppendStrings(const VARIANT& input, PArray<_variant_t>& output) {
    PArray<old::string> strings;
    const bool read = FillStrArray(input, strings);
    for (std::uint64_t index = 0; index < strings.Count(); ++index)
        AppendOwned(output, ElementOf(*strings[index]));
    return read;
}

} // namespace
} // namespace WindowsUtils

using namespace WindowsUtils;

bool CopySArrayToVariant(const RPArray<_variant_t>& values, VARIANT& output) {
    if (values.Count() > static_cast<std::uint64_t>((std::numeric_limits<LONG>::max)()))
        return false;
    return WriteFreshArray(output, VT_VARIANT, values.Count(), [&values](ElementWriter& writer) {
        for (std::uint64_t index = 0; index < values.Count(); ++index)
            writer.Put(static_cast<const VARIANT*>(values[index]));
    });
}

bool CopyVariantToSArray(const VARIANT& input, PArray<_variant_t>& output) {
    output.Clear();
    bool isArray = false;
    if (input.vt == (VT_ARRAY | VT_VARIANT) || (input.vt & VT_ARRAY) == 0)
        return AppendCopies(input, output);
    if (input.vt == (VT_ARRAY | VT_R8))
        return AppendTypedValues<VT_R8, double>(input, output);
    if (input.vt == (VT_ARRAY | VT_R4))
        return AppendTypedValues<VT_R4, float>(input, output);
    if (IsInt(input.vt, isArray))
        return AppendTypedValues<VT_I4, long>(input, output);
    if (input.vt == (VT_ARRAY | VT_BSTR))
        return AppendStrings(input, output);
    return false;
}
