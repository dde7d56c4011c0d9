// Numbers and booleans between standard vectors and array values. Readers append (only the float
// reader's double path replaces the content) and reserve room for the whole array before reading it.
#include "numeric/NumericProcedures.h"

#include "frame/Coercion.h"

#include <type_traits>

namespace WindowsUtils {
namespace {

// The elements' bits as they are stored: a VARIANT_BOOL gives true when it is non-zero, and a `long`
// wider than the 32 bits it carries takes them sign-extended. Same types copy as one block.
template <class Element, class Stored>
bool AppendStored(std::vector<Element>& target, const Stored* elements, std::size_t count) {
    target.reserve(count);
    if constexpr (std::is_same_v<Element, std::byte>) {
        const auto* bytes = reinterpret_cast<const std::byte*>(elements);
        target.insert(target.end(), bytes, bytes + count);
    } else {
        target.insert(target.end(), elements, elements + count);
    }
    return true;
}

template <VARTYPE Coercion, class Element>
bool AppendCoerced(std::vector<Element>& target, const VARIANT* elements, std::size_t count) {
    target.reserve(count);
    for (std::size_t index = 0; index < count; ++index)
        target.push_back(static_cast<Element>(Coerce<Coercion>(elements[index])));
    return true;
}

// Typed-array elements are read as the coercion target's type: the types a reader accepts share its
// width, and their bits pass unchanged.
template <VARTYPE Coercion, class Element>
void ReadIntoVector(const VARIANT& source, std::vector<Element>& target, VARTYPE elementType) {
    using Stored = ElementType<Coercion>;
    switch (SelectInputForm(source, elementType)) {
    case InputForm::TypedArray:
        ReadArrayValue<Stored>(source, elementType, [&](const Stored* elements, std::size_t count) {
            return AppendStored(target, elements, count);
        });
        break;
    case InputForm::Scalar:
        target.push_back(static_cast<Element>(Coerce<Coercion>(source)));
        break;
    case InputForm::VariantArray:
        ReadArrayValue<VARIANT>(source, VT_VARIANT, [&](const VARIANT* elements, std::size_t count) {
            return AppendCoerced<Coercion>(target, elements, count);
        });
        break;
    case InputForm::None:
        break;
    }
}

} // namespace
} // namespace WindowsUtils

using namespace WindowsUtils;

void CopyVariantToVector(const VARIANT& source, std::vector<int>& target) {
    if (const auto elementType = IntegerElementType(source.vt, VT_I4))
        ReadIntoVector<VT_INT>(source, target, *elementType);
}

void CopyVariantToVector(const VARIANT& source, std::vector<unsigned int>& target) {
    if (const auto elementType = IntegerElementType(source.vt, VT_UI4))
        ReadIntoVector<VT_UINT>(source, target, *elementType);
}

void CopyVariantToVector(const VARIANT& source, std::vector<long>& target) {
    if (const auto elementType = IntegerElementType(source.vt, VT_I4))
        ReadIntoVector<VT_I4>(source, target, *elementType);
}

// Doubles, from a VT_R8 scalar or array, replace the content narrowed to the nearest float (beyond the
// float range, an infinity); an empty or refused source leaves it as it was.
void CopyVariantToVector(const VARIANT& source, std::vector<float>& target) {
    if (source.vt == VT_R4 || source.vt == (VT_ARRAY | VT_R4) || source.vt == (VT_ARRAY | VT_VARIANT)) {
        ReadIntoVector<VT_R4>(source, target, VT_R4);
        return;
    }
    std::vector<double> values;
    ReadIntoVector<VT_R8>(source, values, VT_R8);
    if (values.empty())
        return;
    target.clear();
    target.reserve(values.size());
    target.insert(target.end(), values.begin(), values.end());
}

void CopyVariantToVector(const VARIANT& source, std::vector<double>& target) {
    ReadIntoVector<VT_R8>(source, target, VT_R8);
}

// Only unsigned bytes: a VT_ARRAY|VT_I1 is refused.
void CopyVariantToVector(const VARIANT& source, std::vector<std::byte>& target) {
    ReadIntoVector<VT_UI1>(source, target, VT_UI1);
}

void CopyVariantToVector(const VARIANT& source, std::vector<bool>& target) {
    ReadIntoVector<VT_BOOL>(source, target, VT_BOOL);
}

void CopyVectorToVariant(const std::vector<double>& source, VARIANT& target) {
    WriteArrayValue<VT_R8>(source, source.size(), target);
}

void CopyVectorToVariant(const std::vector<bool>& source, VARIANT& target) {
    WriteArrayValue<VT_BOOL>(source, source.size(), target);
}

bool CopyVectorToVariant(const std::vector<unsigned char>& source, VARIANT& target) {
    return WriteArrayValue<VT_UI1>(source, source.size(), target);
}

// VT_I4, not VT_INT.
bool CopyVectorToVariant(const std::vector<int>& source, VARIANT& target) {
    return WriteArrayValue<VT_I4>(source, source.size(), target);
}

bool CopyVectorToVariant(const std::vector<long>& source, VARIANT& target) {
    return WriteArrayValue<VT_I4>(source, source.size(), target);
}
