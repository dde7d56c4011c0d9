// What the numeric readers and writers share, whichever container they fill or read.
#pragma once

#include <WindowsUtils.h>

#include "frame/ArrayOutput.h"
#include "frame/ArrayValue.h"
#include "frame/VariantTraits.h"

#include <cstddef>
#include <optional>

namespace WindowsUtils {

// The array-value check and locked data access around `read(elements, count)`, the elements taken as
// `Stored`. False, without calling `read`, when the value is refused or the access fails; false when
// `read` reports false; otherwise whether the access was released cleanly. The access is released on
// every path, an exception leaving `read` included.
template <class Stored, class Read>
bool ReadArrayValue(const VARIANT& value, VARTYPE elementType, Read read) {
    const LONG count = CheckedArraySize(value, elementType);
    if (count == 0)
        return false;
    LockedData data(value.parray);
    if (!data)
        return false;
    if (!read(data.Elements<const Stored>(), static_cast<std::size_t>(count)))
        return false;
    return data.Release();
}

// The element type the 32-bit integer readers hand on: the source's own vt when IsInt accepts it, so
// that an array of any of the four types is copied bit for bit and a scalar of any of them coerced;
// `variantElement` for the two VT_VARIANT types; none for any other vt.
inline std::optional<VARTYPE> IntegerElementType(VARTYPE vt, VARTYPE variantElement) {
    bool isArray = false;
    if (IsInt(vt, isArray))
        return vt;
    if (vt == VT_VARIANT || vt == (VT_ARRAY | VT_VARIANT))
        return variantElement;
    return std::nullopt;
}

// A bit of a std::vector<bool> is written as VARIANT_TRUE or VARIANT_FALSE; every other element as it is.
inline VARIANT_BOOL StoredValue(bool bit) noexcept {
    return bit ? VARIANT_TRUE : VARIANT_FALSE;
}
template <class Element>
Element StoredValue(Element element) noexcept {
    return element;
}

// Fresh array output of the first `count` elements of `source` (taken as 32 bits), each stored as the
// member type of `Type` by its own SafeArrayPutElement. False, output untouched, for a count of 0 or
// when the array cannot be created.
template <VARTYPE Type, class Sequence>
bool WriteArrayValue(const Sequence& source, std::size_t count, VARIANT& output) {
    const auto length = static_cast<ULONG>(count);
    return WriteFreshArray(output, Type, length, [&](ElementWriter& writer) {
        for (ULONG index = 0; index < length; ++index)
            writer.PutValue(static_cast<ElementType<Type>>(StoredValue(source[index])));
    });
}

} // namespace WindowsUtils
