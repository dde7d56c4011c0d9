// Builders for the array values tests hand to the library, and the checks every such test makes.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace TestSupport {

// A VARIANT that owns its array: VT_ARRAY|elementType over `count` elements of `width` bytes copied
// from `data`, with the given lower bound.
inline _variant_t OwnedArray(VARTYPE elementType, const void* data, ULONG count, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{count, lowerBound};
    SAFEARRAY* array = SafeArrayCreate(elementType, 1, &bound);
    if (array == nullptr)
        throw _com_error(E_OUTOFMEMORY);
    if (count != 0)
        std::memcpy(array->pvData, data, static_cast<size_t>(count) * array->cbElements);
    VARIANT value;
    VariantInit(&value);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    value.parray = array;
    return _variant_t(value, false);
}

template <class Element>
_variant_t OwnedArray(VARTYPE elementType, const std::vector<Element>& elements, LONG lowerBound = 0) {
    return OwnedArray(elementType, elements.data(), static_cast<ULONG>(elements.size()), lowerBound);
}

inline _variant_t DoubleArray(std::initializer_list<double> values, LONG lowerBound = 0) {
    return OwnedArray(VT_R8, std::vector<double>(values), lowerBound);
}

// VT_ARRAY|VT_VARIANT holding copies of the given values.
inline _variant_t VariantArray(const std::vector<_variant_t>& values, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (array == nullptr)
        throw _com_error(E_OUTOFMEMORY);
    auto* slots = static_cast<VARIANT*>(array->pvData);
    for (size_t i = 0; i < values.size(); ++i)
        VariantCopy(&slots[i], &values[i]);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = array;
    return _variant_t(value, false);
}

// A two-dimensional array of rows x columns elements, all zero.
inline _variant_t TwoDimensionalArray(VARTYPE elementType, ULONG rows, ULONG columns) {
    SAFEARRAYBOUND bounds[2] = {{rows, 0}, {columns, 0}};
    SAFEARRAY* array = SafeArrayCreate(elementType, 2, bounds);
    if (array == nullptr)
        throw _com_error(E_OUTOFMEMORY);
    VARIANT value;
    VariantInit(&value);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    value.parray = array;
    return _variant_t(value, false);
}

// The elements of a one-dimensional array, read through its data.
template <class Element>
std::vector<Element> ElementsOf(const VARIANT& value) {
    const SAFEARRAY* array = value.parray;
    const auto* data = static_cast<const Element*>(array->pvData);
    return std::vector<Element>(data, data + array->rgsabound[0].cElements);
}

// Every call that is handed an array must leave it unlocked, whatever way it returned.
inline void ExpectUnlocked(const VARIANT& value) {
    if ((value.vt & VT_ARRAY) != 0 && value.parray != nullptr) {
        EXPECT_EQ(value.parray->cLocks, 0u) << "array left locked";
    }
}

// Expects `call` to raise _com_error with `expected`.
template <class Call>
void ExpectComError(HRESULT expected, Call call) {
    try {
        call();
        ADD_FAILURE() << "no _com_error raised";
    } catch (const _com_error& error) {
        EXPECT_EQ(static_cast<unsigned>(error.Error()), static_cast<unsigned>(expected));
    }
}

} // namespace TestSupport
