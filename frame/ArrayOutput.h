// The rules by which the writers build an outgoing array value: fresh array output
// (SafeArrayCreateVector) and bounded array output (SafeArrayCreate with one bound), both
// one-dimensional with lower bound 0, filled one element at a time by SafeArrayPutElement.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

namespace WindowsUtils {

// Null when count is 0 or the platform cannot create the array.
SAFEARRAY* CreateFreshArray(VARTYPE elementType, ULONG count) noexcept;
// Null when the platform cannot create the array; an empty array is created for a count of 0.
SAFEARRAY* CreateBoundedArray(VARTYPE elementType, ULONG count) noexcept;

// Whether the output is initialised before the array is stored. It never releases what it held.
enum class OutputStart { VariantInit, AsItStands };

// Hands the array to the caller through the output: vt becomes VT_ARRAY|elementType.
void StoreArray(VARIANT& output, VARTYPE elementType, SAFEARRAY* array,
                OutputStart start = OutputStart::VariantInit) noexcept;

// Puts elements at indices 0, 1, 2, ... of a new array, one SafeArrayPutElement each.
class ElementWriter {
public:
    explicit ElementWriter(SAFEARRAY* array) noexcept : array_(array) {}

    HRESULT Put(const void* element) noexcept {
        const HRESULT result = SafeArrayPutElement(array_, &index_, const_cast<void*>(element));
        ++index_;
        return result;
    }

    template <class Element>
    HRESULT PutValue(Element element) noexcept {
        return Put(&element);
    }

private:
    SAFEARRAY* array_;
    LONG index_ = 0;
};

// Fresh array output of `count` elements: false, output untouched, when count is 0 or creation fails;
// otherwise the array is stored in the output and `putElements(ElementWriter&)` fills it, the results of
// the single puts being ignored. The count is taken as 32 bits.
template <class PutElements>
bool WriteFreshArray(VARIANT& output, VARTYPE elementType, std::size_t count, PutElements putElements,
                     OutputStart start = OutputStart::VariantInit) {
    SAFEARRAY* array = CreateFreshArray(elementType, static_cast<ULONG>(count));
    if (array == nullptr)
        return false;
    StoreArray(output, elementType, array, start);
    ElementWriter writer(array);
    putElements(writer);
    return true;
}

} // namespace WindowsUtils
