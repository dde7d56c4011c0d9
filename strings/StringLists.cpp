// String lists: old::string and wide string lists to and from BSTR arrays.
#include <WindowsUtils.h>

#include "frame/ArrayOutput.h"
#include "frame/OwnedValues.h"
#include "frame/StringCoercion.h"
#include "strings/ListElements.h"

#include <limits>
#include <memory>

namespace WindowsUtils {
namespace {

// How the writers take a store that failed.
enum class FailedStore { DestroysArray, Ignored };

// The writers' bounded array output of VT_BSTR: output.parray is nulled at entry, and the array is
// attached (vt included, no VariantInit) only once every element is in. textOf(index) gives the text of
// an element, null for none, which is stored as an empty BSTR.
template <class TextOf>
bool WriteStringArray(VARIANT& output, std::uint64_t count, TextOf textOf, FailedStore failedStore) {
    output.parray = nullptr;
    if (count > static_cast<std::uint64_t>((std::numeric_limits<LONG>::max)()))
        return false;
    if (count == 0)
        return true;
    UniqueSafeArray array(CreateBoundedArray(VT_BSTR, static_cast<ULONG>(count)));
    if (array.get() == nullptr)
        return false;
    ElementWriter writer(array.get());
    for (std::uint64_t index = 0; index < count; ++index) {
        const OLECHAR* text = textOf(index);
        const UniqueBstr element = CopyText(text != nullptr ? text : OLESTR(""));
        if (FAILED(writer.Put(element.get())) && failedStore == FailedStore::DestroysArray)
            return false;
    }
    StoreArray(output, VT_BSTR, array.release(), OutputStart::AsItStands);
    return true;
}

// What the readers make of one text: FillStrArray a string for every text (a null one gives an empty
// string), FillVectorToStrArray a wide string for every text but a null one.
void AppendText(PArray<old::string>& output, const OLECHAR* text) {
    auto element = std::make_unique<old::string>();
    element->Assign(text);
    AppendOwned(output, std::move(element));
}

void AppendText(std::vector<WideString>& output, const OLECHAR* text) {
    if (text != nullptr)
        output.emplace_back(text);
}

void Empty(PArray<old::string>& output) {
    output.Clear();
}
void Empty(std::vector<WideString>& output) {
    output.clear();
}

bool IsStringListForm(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_BSTR || vt == (VT_ARRAY | VT_BSTR) || vt == (VT_ARRAY | VT_VARIANT);
}

// The readers' traversal. Any other form leaves the output as it is. False only when the array data
// cannot be reached or its release fails.
template <class Output>
bool ReadStringList(const VARIANT& input, Output& output) {
    if (!IsStringListForm(input.vt))
        return true;
    Empty(output);
    if (input.vt == VT_EMPTY)
        return true;
    if (input.vt == VT_BSTR) {
        AppendText(output, input.bstrVal);
        return true;
    }
    if (input.vt == (VT_ARRAY | VT_BSTR))
        return VisitElements<BSTR>(input.parray, VT_BSTR, [&output](BSTR text) { AppendText(output, text); });
    return VisitElements<VARIANT>(input.parray, VT_VARIANT, [&output](const VARIANT& element) {
        AppendText(output, CoerceToText(element).get());
    });
}

} // namespace
} // namespace WindowsUtils

using namespace WindowsUtils;

bool FillBSTRSafeArray(VARIANT& output, const RPArray<old::string>& strings) {
    const auto textOf = [&strings](std::uint64_t index) -> const OLECHAR* {
        const old::string* element = strings[index];
        return element != nullptr ? element->Text() : nullptr;
    };
    return WriteStringArray(output, strings.Count(), textOf, FailedStore::DestroysArray);
}

void FillVectorToBSTRSafeArray(VARIANT& output, const std::vector<WideString>& strings) {
    const auto textOf = [&strings](std::uint64_t index) -> const OLECHAR* { return strings[index].c_str(); };
    WriteStringArray(output, strings.size(), textOf, FailedStore::Ignored);
}

bool FillStrArray(const VARIANT& input, PArray<old::string>& output) {
    return ReadStringList(input, output);
}

void FillVectorToStrArray(const VARIANT& input, std::vector<WideString>& output) {
    ReadStringList(input, output);
}
