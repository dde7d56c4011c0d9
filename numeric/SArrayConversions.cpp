// Numbers between the kernel's SArray and array values. A typed array replaces the content; a scalar
// and the elements of a variant array are coerced and appended by the kernel append.
#include "numeric/NumericProcedures.h"

#include "frame/Coercion.h"

#include <algorithm>
#include <cstring>

namespace WindowsUtils {
namespace {

// At most one capacity change, to exactly `count` slots, then one block copy where the widths match;
// a `long` wider than the 32 bits it carries takes them sign-extended, one by one. False, the target
// left empty, when the capacity cannot be had.
template <class Element, class Stored>
bool ReplaceContent(SArray<Element>& target, const Stored* elements, std::size_t count) {
    target.Clear();
    if (target.Capacity() < count && !target.SetCapacity(count, false))
        return false;
    if constexpr (sizeof(Element) == sizeof(Stored))
        std::memcpy(target.Data(), elements, count * sizeof(Stored));
    else
        std::copy_n(elements, count, target.Data());
    target.SetCount(count);
    return true;
}

// No room is reserved: the target grows by the kernel's rule, and an element it cannot grow for is
// dropped (a failed growth also empties the target, by the kernel's rule).
template <VARTYPE Coercion, class Element>
bool AppendCoerced(SArray<Element>& target, const VARIANT* elements, std::size_t count) {
    for (std::size_t index = 0; index < count; ++index)
        target.Add(static_cast<Element>(Coerce<Coercion>(elements[index])));
    return true;
}

// Typed-array elements are read as the coercion target's type: the types a reader accepts share its
// width, and their bits pass unchanged.
template <VARTYPE Coercion, class Element>
bool ReadIntoSArray(const VARIANT& source, SArray<Element>& target, VARTYPE elementType) {
    using Stored = ElementType<Coercion>;
    switch (SelectInputForm(source, elementType)) {
    case InputForm::TypedArray:
        return ReadArrayValue<Stored>(source, elementType, [&](const Stored* elements, std::size_t count) {
            return ReplaceContent(target, elements, count);
        });
    case InputForm::Scalar:
        return target.Add(static_cast<Element>(Coerce<Coercion>(source)));
    case InputForm::VariantArray:
        return ReadArrayValue<VARIANT>(source, VT_VARIANT, [&](const VARIANT* elements, std::size_t count) {
            return AppendCoerced<Coercion>(target, elements, count);
        });
    case InputForm::None:
        break;
    }
    return false;
}

} // namespace
} // namespace WindowsUtils

using namespace WindowsUtils;

bool CopySArrayToVariant(const SArray<short>& source, VARIANT& target) {
    return WriteArrayValue<VT_BOOL>(source, source.Count(), target);
}

bool CopySArrayToVariant(const SArray<unsigned int>& source, VARIANT& target) {
    return WriteArrayValue<VT_UI4>(source, source.Count(), target);
}

bool CopySArrayToVariant(const SArray<long>& source, VARIANT& target) {
    return WriteArrayValue<VT_I4>(source, source.Count(), target);
}

bool CopySArrayToVariant(const SArray<float>& source, VARIANT& target) {
    return WriteArrayValue<VT_R4>(source, source.Count(), target);
}

bool CopySArrayToVariant(const SArray<double>& source, VARIANT& target) {
    return WriteArrayValue<VT_R8>(source, source.Count(), target);
}

bool CopySArrayToVariant(const SArray<long long>& source, VARIANT& target) {
    return WriteArrayValue<VT_I8>(source, source.Count(), target);
}

// VT_UI1 for its own scalar and array, VT_I1 for any other vt: both byte arrays are copied as they
// are, and both scalar byte types coerced.
bool CopyVariantToSArray(const VARIANT& source, SArray<unsigned char>& target) {
    const VARTYPE elementType = (source.vt & ~VT_ARRAY) == VT_UI1 ? VT_UI1 : VT_I1;
    return ReadIntoSArray<VT_UI1>(source, target, elementType);
}

// Automation booleans pass as their 16-bit values; other values are coerced as numbers (true is -1).
bool CopyVariantToSArray(const VARIANT& source, SArray<short>& target) {
    return ReadIntoSArray<VT_I2>(source, target, VT_BOOL);
}

bool CopyVariantToSArray(const VARIANT& source, SArray<long>& target) {
    if (const auto elementType = IntegerElementType(source.vt, VT_I4))
        return ReadIntoSArray<VT_I4>(source, target, *elementType);
    return false;
}

bool CopyVariantToSArray(const VARIANT& source, SArray<float>& target) {
    return ReadIntoSArray<VT_R4>(source, target, VT_R4);
}

bool CopyVariantToSArray(const VARIANT& source, SArray<double>& target) {
    return ReadIntoSArray<VT_R8>(source, target, VT_R8);
}
