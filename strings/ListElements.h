// What the list readers share: visiting the elements of an incoming array and handing new elements to
// the kernel's owning pointer arrays.
#pragma once

#include "frame/ArrayValue.h"

#include <gkern/PointerArrays.h>

#include <memory>

namespace WindowsUtils {

// Hands every element of a one-dimensional array to `visit`, in index order, under locked data access.
// An array that is null, has other than one dimension or is malformed has none to hand (true). False
// when the data cannot be reached; otherwise whether the access was released.
template <class Element, class Visit>
bool VisitElements(SAFEARRAY* array, VARTYPE elementType, Visit visit) {
    const LONG count = ReadableSize(array, elementType, SizeRule::OneDimensionalCount);
    if (count < 0)
        return true;
    LockedData data(array);
    if (!data)
        return false;
    for (LONG index = 0; index < count; ++index)
        visit(data.Elements<Element>()[index]);
    return data.Release();
}

// Appends a new element. When the array cannot grow and reports it instead of raising, the element is
// released here rather than leaked; a std::bad_alloc from the array releases it too.
template <class Element>
void AppendOwned(PArray<Element>& array, std::unique_ptr<Element> element) {
    if (array.Add(element.get()))
        element.release();
}

} // namespace WindowsUtils
