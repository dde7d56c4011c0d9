#include "HostMethods.h"

#include <WindowsUtils.h>

#include <vector>

using namespace HostKit;

namespace {

// A numeric list read into a std::vector and written back: the numeric families' round trip.
template <typename Element>
_variant_t VectorRoundTrip(MethodArguments arguments, LibraryClock& clock, const OLECHAR* method,
                           const ReaderForm& form) {
    ArgumentView list(arguments[0], method);
    Require(list.Value(), ArraysOnly(form), method);
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

} // namespace

_variant_t Move(MethodArguments arguments, LibraryClock& clock) {
    const MbMatrix3D translation = MbMatrix3D::Translation(
        NumberArgument(arguments[1]), NumberArgument(arguments[2]), NumberArgument(arguments[3]));
    // The script's own array, reached through the reference it sent: the moved numbers land there.
    ArgumentView list(arguments[0], OLESTR("Move"));
    Require(list.Value(), Reads::pointsInPlace3D, OLESTR("Move"));
    if (!clock.Time([&] { return TransformPoints(list.Value(), translation); }))
        throw Refusal(OLESTR("Move could not move the points of its array"));
    list.WriteBack();
    return {};
}

_variant_t Numbers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<double>(arguments, clock, OLESTR("Numbers"), Reads::vectorOfDoubles);
}

_variant_t Integers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<int>(arguments, clock, OLESTR("Integers"), Reads::vectorOfIntegers);
}

_variant_t Flags(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<bool>(arguments, clock, OLESTR("Flags"), Reads::vectorOfBooleans);
}

_variant_t Texts(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView list(arguments[0], OLESTR("Texts"));
    Require(list.Value(), ArraysOnly(Reads::texts), OLESTR("Texts"));
    std::vector<WideString> texts;
    clock.Time([&] { FillVectorToStrArray(list.Value(), texts); });
    _variant_t typed; // stays VT_EMPTY for an empty list
    clock.Time([&] { FillVectorToBSTRSafeArray(typed, texts); });
    return ScriptResult(std::move(typed));
}

_variant_t Values(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView value(arguments[0], OLESTR("Values"));
    Require(value.Value(), Reads::values, OLESTR("Values"));
    PArray<_variant_t> values;
    if (!clock.Time([&] { return CopyVariantToSArray(value.Value(), values); }))
        throw Refusal(OLESTR("Values could not read its argument"));
    _variant_t list; // stays VT_EMPTY for an empty list
    clock.Time([&] { return CopySArrayToVariant(values, list); });
    return ScriptResult(std::move(list));
}

_variant_t Font(MethodArguments arguments, LibraryClock& clock) {
    ArgumentView argument(arguments[0], OLESTR("Font"));
    Require(argument.Value(), scriptFonts, OLESTR("Font"));
    const _variant_t fonts = FontArray(argument.Value());
    std::vector<zfont::FontParams> records;
    if (!clock.Time([&] { return CopyVariantToFontParamsVector(fonts, records); }))
        throw Refusal(OLESTR("Font could not read its fonts"));

    std::vector<_variant_t> described;
    for (const zfont::FontParams& record : records) {
        const _variant_t fields[] = {_variant_t(record.faceName.c_str()), _variant_t(record.size),
                                     _variant_t(record.bold), _variant_t(record.italic),
                                     _variant_t(record.angle)};
        described.push_back(ScriptArray(fields));
    }
    return ScriptArray(described);
}
