#include "HostMethods.h"

#include <WindowsUtils.h>

#include <vector>

namespace {

// A numeric list read into a std::vector and written back: the numeric families' round trip.
template <typename Element>
_variant_t VectorRoundTrip(MethodArguments arguments, LibraryClock& clock, const wchar_t* expectation) {
    ScriptValue list(arguments[0], arguments.Method());
    RequireList(list.Value(), true, expectation);
    std::vector<Element> values;
    clock.Time([&] { CopyVariantToVector(list.Value(), values); });
    _variant_t typed; // stays VT_EMPTY for an empty list
    clock.Time([&] { CopyVectorToVariant(values, typed); });
    return WidenToVariantArray(typed);
}

// The fonts of a script's array as the VT_ARRAY|VT_DISPATCH the library reads.
_variant_t FontArray(const VARIANT& list, const wchar_t* expectation) {
    if ((list.vt & VT_TYPEMASK) == VT_DISPATCH)
        return _variant_t(list);
    if ((list.vt & VT_TYPEMASK) != VT_VARIANT)
        throw Refusal(expectation);
    const ULONG count = list.parray->rgsabound[0].cElements;
    SAFEARRAY* array = SafeArrayCreateVector(VT_DISPATCH, 0, count);
    if (array == nullptr)
        throw std::bad_alloc();
    _variant_t fonts;
    fonts.vt = VT_ARRAY | VT_DISPATCH;
    fonts.parray = array;
    ArrayData source(list.parray);
    ArrayData target(array);
    for (ULONG index = 0; index < count; ++index) {
        const VARIANT& element = source.As<VARIANT>()[index];
        if (element.vt != VT_DISPATCH)
            throw Refusal(std::wstring(expectation) + L"; element " + std::to_wstring(index) +
                          L" is no object");
        IDispatch* font = element.pdispVal;
        if (font != nullptr)
            font->AddRef(); // the array releases its elements
        target.As<IDispatch*>()[index] = font;
    }
    return fonts;
}

} // namespace

_variant_t Move(MethodArguments arguments, LibraryClock& clock) {
    const MbMatrix3D translation = MbMatrix3D::Translation(
        NumberArgument(arguments[1]), NumberArgument(arguments[2]), NumberArgument(arguments[3]));
    const wchar_t* expectation =
        L"Move expects a variable holding a one-dimensional array of numbers, three per point";
    // The script's own array, reached through the reference it sent: the moved numbers land there. An
    // array sent by value (a literal, a variable in parentheses, in JScript an array the host returned)
    // is a copy the caller never sees again: moving it would silently do nothing.
    if ((arguments[0].vt & VT_BYREF) == 0 && arguments[0].vt != VT_DISPATCH)
        throw Refusal(std::wstring(expectation) + L"; a list sent by value is a copy, which the caller would never see moved");
    ScriptValue list(arguments[0], arguments.Method());
    RequireList(list.Value(), true, expectation);
    if (!clock.Time([&] { return TransformPoints(list.Value(), translation); }))
        throw Refusal(expectation);
    list.WriteBack(arguments.Method());
    return {};
}

_variant_t Numbers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<double>(arguments, clock,
                                   L"Numbers expects a one-dimensional array of numbers");
}

_variant_t Integers(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<int>(arguments, clock,
                                L"Integers expects a one-dimensional array of 32-bit whole numbers");
}

_variant_t Flags(MethodArguments arguments, LibraryClock& clock) {
    return VectorRoundTrip<bool>(arguments, clock,
                                 L"Flags expects a one-dimensional array of booleans");
}

_variant_t Texts(MethodArguments arguments, LibraryClock& clock) {
    ScriptValue list(arguments[0], arguments.Method());
    RequireList(list.Value(), true, L"Texts expects a one-dimensional array of texts");
    std::vector<WideString> texts;
    clock.Time([&] { FillVectorToStrArray(list.Value(), texts); });
    _variant_t typed; // stays VT_EMPTY for an empty list
    clock.Time([&] { FillVectorToBSTRSafeArray(typed, texts); });
    return WidenToVariantArray(typed);
}

_variant_t Values(MethodArguments arguments, LibraryClock& clock) {
    const wchar_t* expectation = L"Values expects a value or a one-dimensional array of values";
    ScriptValue value(arguments[0], arguments.Method());
    if (value.Value().vt & VT_ARRAY)
        RequireList(value.Value(), false, expectation);
    PArray<_variant_t> values;
    if (!clock.Time([&] { return CopyVariantToSArray(value.Value(), values); }))
        throw Refusal(expectation);
    _variant_t list; // stays VT_EMPTY for an empty list
    clock.Time([&] { return CopySArrayToVariant(values, list); });
    return WidenToVariantArray(list);
}

_variant_t Font(MethodArguments arguments, LibraryClock& clock) {
    const wchar_t* expectation = L"Font expects a font object or a one-dimensional array of font objects";
    ScriptValue argument(arguments[0], arguments.Method());
    _variant_t fonts = argument.Value();
    if (fonts.vt & VT_ARRAY) {
        RequireList(fonts, false, expectation);
        fonts = FontArray(fonts, expectation);
    } else if (fonts.vt != VT_DISPATCH) {
        throw Refusal(expectation);
    }
    std::vector<zfont::FontParams> records;
    if (!clock.Time([&] { return CopyVariantToFontParamsVector(fonts, records); }))
        throw Refusal(expectation);

    std::vector<_variant_t> described;
    for (const zfont::FontParams& record : records) {
        const _variant_t fields[] = {_variant_t(record.faceName.c_str()), _variant_t(record.size),
                                     _variant_t(record.bold), _variant_t(record.italic),
                                     _variant_t(record.angle)};
        described.push_back(VariantArray(fields));
    }
    return VariantArray(described);
}
