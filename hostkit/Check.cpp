// Whether a reader of the library takes a value, and if not, why, in a script author's words.
#include <WindowsUtilsHostKit.h>

#include "LockedData.h"
#include "Words.h"

namespace HostKit {
namespace {

// A type as VBScript's TypeName shows it, which JScript authors meet as well.
const char* TypeName(VARTYPE type) {
    switch (type) {
    case VT_EMPTY:
        return "Empty";
    case VT_NULL:
        return "Null";
    case VT_I2:
        return "Integer";
    case VT_I4:
    case VT_INT:
        return "Long";
    case VT_R4:
        return "Single";
    case VT_R8:
        return "Double";
    case VT_CY:
        return "Currency";
    case VT_DATE:
        return "Date";
    case VT_BSTR:
        return "String";
    case VT_DISPATCH:
        return "Object";
    case VT_ERROR:
        return "Error";
    case VT_BOOL:
        return "Boolean";
    case VT_VARIANT:
        return "Variant";
    case VT_UNKNOWN:
        return "Unknown";
    case VT_DECIMAL:
        return "Decimal";
    case VT_I1:
        return "SByte";
    case VT_UI1:
        return "Byte";
    case VT_UI2:
        return "UShort";
    case VT_UI4:
    case VT_UINT:
        return "ULong";
    case VT_I8:
        return "LongLong";
    case VT_UI8:
        return "ULongLong";
    default:
        return nullptr;
    }
}

WideString TypeWords(VARTYPE type) {
    const char* name = TypeName(type);
    return name != nullptr ? Words(name) : Words("type ") + Number(type);
}

// "a Double", "an Integer", "an Object".
WideString OneOf(VARTYPE type) {
    const WideString name = TypeWords(type);
    const bool vowel = name.find_first_of(OLESTR("AEIOUaeiou")) == 0;
    return Words(vowel ? "an " : "a ") + name;
}

// A scalar value, or "Nothing"/"Empty"/"Null" for the values that are none.
WideString Scalar(const VARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return TypeWords(value.vt);
    if (value.vt == VT_DISPATCH && value.pdispVal == nullptr)
        return Words("Nothing");
    return OneOf(value.vt);
}

bool Taken(std::uint32_t types, VARTYPE type) {
    return (types & TypeBit(type)) != 0;
}

Mismatch Because(Mismatch::Reason reason, WideString arrived) {
    return Mismatch{reason, std::move(arrived)};
}

// What element `index` of a VARIANT array is that the reader does not take, if anything.
std::optional<WideString> ElementMismatch(const VARIANT& element, Elements allowed) {
    const VARTYPE type = element.vt;
    if (allowed == Elements::objects)
        return type == VT_DISPATCH ? std::nullopt : std::optional(Scalar(element));
    if ((type & VT_BYREF) != 0)
        return Words("a reference");
    if ((type & VT_ARRAY) != 0)
        return Words("an array");
    if (type == VT_DISPATCH || type == VT_UNKNOWN)
        return Scalar(element);
    return std::nullopt;
}

std::optional<Mismatch> ArrayMismatch(const VARIANT& value, const ReaderForm& form) {
    // The type first: the array of a type no reader takes is not looked at.
    const VARTYPE elementType = value.vt & VT_TYPEMASK;
    if (!Taken(form.arrayTypes, elementType) || (value.vt & ~(VT_ARRAY | VT_TYPEMASK)) != 0)
        return Because(Mismatch::Reason::type,
                       Words("an array of ") + TypeWords(elementType) + Words(" elements"));
    SAFEARRAY* array = value.parray;
    if (array == nullptr)
        return Because(Mismatch::Reason::type, Words("an array that is not there (null)"));
    const UINT dimensions = SafeArrayGetDim(array);
    if (dimensions != 1)
        return Because(Mismatch::Reason::dimensions,
                       dimensions == 2 ? Words("a two-dimensional array")
                                       : Words("an array of ") + Number(dimensions) + Words(" dimensions"));
    const SAFEARRAYBOUND bound = array->rgsabound[0];
    if (form.zeroLowerBound && bound.lLbound != 0)
        return Because(Mismatch::Reason::lowerBound,
                       Words("an array whose first index is ") + Number(bound.lLbound));
    // The size by the reader's own rule, as the signed 32-bit number it compares.
    const bool total =
        form.size == Size::total || (form.size == Size::totalForDoubles && elementType == VT_R8);
    const auto size =
        static_cast<LONG>(total ? bound.cElements : bound.cElements - static_cast<ULONG>(bound.lLbound));
    // The elements before the count: an array inside says more than the count it spoils.
    if (elementType == VT_VARIANT && form.elements != Elements::anything && size > 0) {
        if (array->cbElements != sizeof(VARIANT) || array->pvData == nullptr ||
            static_cast<ULONG>(size) > bound.cElements)
            return Because(Mismatch::Reason::type, Words("a damaged array"));
        LockedData data(array);
        for (LONG index = 0; index < size; ++index)
            if (std::optional<WideString> element = ElementMismatch(data.As<VARIANT>()[index], form.elements))
                return Because(Mismatch::Reason::element,
                               Words("an array whose element ") + Number(index) + Words(" is ") + *element);
    }
    if (size <= 0)
        return form.fewest > 0 ? std::optional(Because(Mismatch::Reason::count, Words("an empty array")))
                               : std::nullopt;
    const auto count = static_cast<ULONG>(size);
    const WideString counted =
        Words("an array of ") + Number(count) + Words(count == 1 ? " element" : " elements");
    if (count < form.fewest || count > form.most)
        return Because(Mismatch::Reason::count, counted);
    if (count % form.multipleOf != 0)
        return Because(Mismatch::Reason::count,
                       counted + Words(", not a multiple of ") + Number(form.multipleOf));
    return std::nullopt;
}

} // namespace

std::optional<Mismatch> Check(const VARIANT& value, const ReaderForm& form) {
    if ((value.vt & VT_BYREF) != 0) {
        const VARTYPE referenced = value.vt & ~VT_BYREF;
        const WideString what = (referenced & VT_ARRAY) != 0 ? Words("an array")
                                : referenced == VT_VARIANT   ? Words("a variable")
                                                             : OneOf(referenced);
        return Because(Mismatch::Reason::byReference, what + Words(" passed by reference"));
    }
    if ((value.vt & VT_ARRAY) != 0)
        return ArrayMismatch(value, form);
    if (Taken(form.scalarTypes, value.vt))
        return std::nullopt;
    return Because(Mismatch::Reason::type, Scalar(value));
}

void Require(const VARIANT& value, const ReaderForm& form, const OLECHAR* method) {
    if (std::optional<Mismatch> mismatch = Check(value, form))
        throw Refusal(method + Words(" expects ") + form.expected + Words("; it received ") +
                      mismatch->arrived);
}

} // namespace HostKit
