// The scalar coercion: one VARIANT to one native number, taken directly when the VARIANT already has
// the target type and converted by the platform's VariantChangeType otherwise. A failed conversion
// raises _com_error with its HRESULT; the source is never changed.
#pragma once

#include "frame/VariantTraits.h"

#include <comdef.h>

#include <type_traits>

namespace WindowsUtils {

// The platform conversion of the slow path: the target member of the converted value, or _com_error.
// Kept out of line so that reading loops stay small around the fast path.
VARIANT ConvertScalar(const VARIANT& source, VARTYPE target);

// Booleans come out as bool; every other target as the element type of its VARTYPE.
template <VARTYPE Target>
using CoercedType = std::conditional_t<Target == VT_BOOL, bool, ElementType<Target>>;

template <VARTYPE Target>
CoercedType<Target> Coerce(const VARIANT& source) {
    static_assert(Target == VT_UI1 || Target == VT_I2 || Target == VT_INT || Target == VT_UINT ||
                      Target == VT_I4 || Target == VT_R4 || Target == VT_R8 || Target == VT_BOOL,
                  "the scalar coercion has eight targets");
    if (source.vt == Target) {
        // Any non-zero boolean taken as it stands is true, not only VARIANT_TRUE.
        if constexpr (Target == VT_BOOL)
            return source.boolVal != 0;
        else
            return MemberOf<Target>(source);
    }
    const VARIANT converted = ConvertScalar(source, Target);
    // A converted boolean is true only when the platform produced exactly VARIANT_TRUE.
    if constexpr (Target == VT_BOOL)
        return converted.boolVal == VARIANT_TRUE;
    else
        return MemberOf<Target>(converted);
}

// The double assignment: stores x into an existing element. VT_R8 and VT_DATE keep their type; any
// other element is released with VariantClear first (_com_error when that fails) and becomes VT_R8.
void AssignDouble(VARIANT& element, double x);

} // namespace WindowsUtils
