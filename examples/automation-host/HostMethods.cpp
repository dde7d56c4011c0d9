#include "HostMethods.h"

#include <WindowsUtils.h>

#include <vector>

using namespace HostKit;

namespace {

// A numeric list read into a std::vector and written back: the numeric families' round trip.
template <typename Element>
_variant_t VectorRoundTrip(MethodArguments arguments, LibraryClock& clock, const ReaderForm& form) {
    ArgumentView list(arguments[0], arguments.Method());
    Require(list.Value(), ArraysOnly(form), arguments.Method());
    std::vector<Element> values;
    clock.Time([&] { CopyVariantToVector(list.Value(), values); });
    _variant_t typed; // stays VT_EMPTY for an empty list
    clock.Time([&] { CopyVectorToVariant(values, typed); });
    return ScriptResult(std::move(typed));
}

// What Font takes from a script: one font, or a VARIANT array of fonts (Nothing among them).
constexpr ReaderForm scriptFonts{.expected = Reads::fonts.expected,
                                 .arrayTypes = TypeBits(VT_VARIANT, VT_DISPATCH),
                                 .scalarTypes = TypeBit(VT_DISPATCH),
                                 .elements = Elements::objects};

// The fonts of a script's array as the VT_ARRAY|VT_DISPATCH the library reads.
_variant_t FontArray(const VARIANT& list) {
    if (list.vt != (VT_ARRAY | VT_VARIANT))
        return _variant_t(list);
    const ULONG count = list.parray->rgsabound[0].cElements;
    SAFEARRAY* array = SafeArrayCreateVector(VT_DISPATCH, 0, count);
    if (array == nullptr)
        throw std::bad_alloc();
    _variant_t fonts;
    fonts.vt = VT_ARRAY | VT_DISPATCH;
    fonts.parray = array;
    for (LONG index = 0; index < static_cast<LONG>(count); ++index) {
        _variant_t font;
        HRESULT result = SafeArrayGetElement(list.parray, &index, &font);
        if (SUCCEEDED(result))
            result = SafeArrayPutElement(array, &index, font.pdispVal); // the array takes its own reference
        if (FAILED(result))
            throw _com_error(result);
    }
    return fonts;
}

// A number argument. An object's number is its default value, read here: an error the script raises
// there then reaches the script as its own (inside VariantChangeType it would become a type mismatch).
double Number(const VARIANT& argument) {
    const VARIANT* value = &argument;
    while (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr)
        value = value->pvarVal;
    if (value->vt != VT_DISPATCH || value->pdispVal == nullptr)
        return NumberArgument(*value);
    ComSupport::CallResult read =
        ComSupport::Invoke(*value->pdispVal, DISPID_VALUE, {}, DISPATCH_PROPERTYGET);
    if (FAILED(read.result))
        ComSupport::ThrowCallFailure(read.result, read.exception);
    return NumberArgument(read.value);
}

} // namespace

_variant_t Move(MethodArguments arguments, LibraryClock& clock) {
    const MbMatrix3D translation =
        MbMatrix3D::Translation(Number(arguments[1]), Number(arguments[2]), Number(arguments[3]));
    // The script's own array, reached through the reference it sent: the moved numbers land there. A list
    // sent by value (a literal, a variable in parentheses, in JScript an array the host returned) is a
    // copy the caller never sees again: moving it would silently do nothing.
    ArgumentView list(arguments[0], arguments.Method());
    Require(list.Value(), Reads::pointsInPlace3D, arguments.Method());
    if (!list.ReachesCaller())
        throw Refusal(
            WideString(arguments.Method()) +
            OLESTR(" expects a variable holding its points; it received a list sent by value, a copy "
                   "whose moved points the caller would never see"));
    if (!clock.Time([&] { return TransformPoints(list.Value(), translation); }))
        throw Refusal(WideString(arguments.Method()) + OLESTR(" could not move the points of its array"));
    list.WriteBack();
    return {};
}

_variant_t Numbers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<double>(arguments, clock, Reads::vectorOfDoubles);
}

_variant_t Integers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<int>(arguments, clock, Reads::vectorOfIntegers);
}

_variant_t Flags(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<bool>(arguments, clock, Reads::vectorOfBooleans);
}

_variant_t Texts(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView list(arguments[0], arguments.Method());
    Require(list.Value(), ArraysOnly(Reads::texts), arguments.Method());
    std::vector<WideString> texts;
    clock.Time([&] { FillVectorToStrArray(list.Value(), texts); });
    _variant_t typed; // stays VT_EMPTY for an empty list
    clock.Time([&] { FillVectorToBSTRSafeArray(typed, texts); });
    return ScriptResult(std::move(typed));
}

_variant_t Values(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView value(arguments[0], arguments.Method());
    Require(value.Value(), Reads::values, arguments.Method());
    PArray<_variant_t> values;
    if (!clock.Time([&] { return CopyVariantToSArray(value.Value(), values); }))
        throw Refusal(WideString(arguments.Method()) + OLESTR(" could not read its argument"));
    _variant_t list; // stays VT_EMPTY for an empty list
    clock.Time([&] { return CopySArrayToVariant(values, list); });
    return ScriptResult(std::move(list));
}

_variant_t Font(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView argument(arguments[0], arguments.Method());
    Require(argument.Value(), scriptFonts, arguments.Method());
    const _variant_t fonts = FontArray(argument.Value());
    std::vector<zfont::FontParams> records;
    if (!clock.Time([&] { return CopyVariantToFontParamsVector(fonts, records); }))
        throw Refusal(WideString(arguments.Method()) + OLESTR(" could not read its fonts"));

    std::vector<_variant_t> described;
    for (const zfont::FontParams& record : records) {
        const _variant_t fields[] = {_variant_t(record.faceName.c_str()), _variant_t(record.size),
                                     _variant_t(record.bold), _variant_t(record.italic),
                                     _variant_t(record.angle)};
        described.push_back(ScriptArray(fields));
    }
    return ScriptArray(described);
}
