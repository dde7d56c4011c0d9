// The inputs of the benchmarks and the element access a hand-written conversion makes.
#pragma once

#include <WindowsUtils.h>

#include <comdef.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace Bench {

// A VARIANT cleared (its array destroyed) with the object.
class OwnedValue {
public:
    OwnedValue() noexcept { VariantInit(&value_); }
    ~OwnedValue() { VariantClear(&value_); }
    OwnedValue(const OwnedValue&) = delete;
    OwnedValue& operator=(const OwnedValue&) = delete;

    VARIANT& operator*() noexcept { return value_; }
    const VARIANT& operator*() const noexcept { return value_; }
    const std::byte* Data() const noexcept { return static_cast<const std::byte*>(value_.parray->pvData); }

private:
    VARIANT value_;
};

// The numbers the inputs hold: small, exact, and varied enough not to be constant.
inline double SampleNumber(std::size_t index) {
    return static_cast<double>(index % 1000) * 0.25 - 100.0;
}

inline LONG SampleInteger(std::size_t index) {
    return static_cast<LONG>(index % 1000) - 500;
}

// VT_ARRAY|elementType with lower bound 0; fill(elements) writes its `count` elements.
template <class Element, class Fill>
void MakeArray(OwnedValue& value, VARTYPE elementType, std::size_t count, Fill fill) {
    SAFEARRAY* array = SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(count));
    if (array == nullptr)
        throw _com_error(E_OUTOFMEMORY);
    (*value).vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    (*value).parray = array;
    fill(static_cast<Element*>(array->pvData));
}

inline void MakeDoubleArray(OwnedValue& value, std::size_t count) {
    MakeArray<double>(value, VT_R8, count, [count](double* elements) {
        for (std::size_t index = 0; index < count; ++index)
            elements[index] = SampleNumber(index);
    });
}

inline void MakeIntegerArray(OwnedValue& value, std::size_t count) {
    MakeArray<LONG>(value, VT_I4, count, [count](LONG* elements) {
        for (std::size_t index = 0; index < count; ++index)
            elements[index] = SampleInteger(index);
    });
}

// VT_ARRAY|VT_VARIANT whose elements are VT_R8 or VT_I4 numbers.
inline void MakeVariantArray(OwnedValue& value, std::size_t count, VARTYPE elementType) {
    MakeArray<VARIANT>(value, VT_VARIANT, count, [count, elementType](VARIANT* elements) {
        for (std::size_t index = 0; index < count; ++index) {
            elements[index].vt = elementType;
            if (elementType == VT_R8)
                elements[index].dblVal = SampleNumber(index);
            else
                elements[index].lVal = SampleInteger(index);
        }
    });
}

// Hand-written code checks every call.
inline void Check(HRESULT result) {
    if (FAILED(result))
        throw _com_error(result);
}

// The index range of a one-dimensional array, as hand-written code asks for it.
inline std::pair<LONG, LONG> BoundsOf(SAFEARRAY* array) {
    LONG lower = 0;
    LONG upper = -1;
    Check(SafeArrayGetLBound(array, 1, &lower));
    Check(SafeArrayGetUBound(array, 1, &upper));
    return {lower, upper};
}

// One element by SafeArrayGetElement.
template <class Element>
Element GetElement(SAFEARRAY* array, LONG index) {
    Element element{};
    Check(SafeArrayGetElement(array, &index, &element));
    return element;
}

// One VARIANT element by SafeArrayGetElement, converted in place by VariantChangeType; each(element)
// sees the converted value before it is cleared.
template <class Each>
void GetConverted(SAFEARRAY* array, LONG index, VARTYPE target, Each each) {
    VARIANT element;
    VariantInit(&element);
    Check(SafeArrayGetElement(array, &index, &element));
    const HRESULT result = VariantChangeType(&element, &element, 0, target);
    if (SUCCEEDED(result))
        each(element);
    VariantClear(&element);
    Check(result);
}

template <class Element>
void PutElement(SAFEARRAY* array, LONG index, Element element) {
    Check(SafeArrayPutElement(array, &index, &element));
}

} // namespace Bench
