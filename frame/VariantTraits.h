// Maps a VARTYPE to the C++ type of one element and to the VARIANT member that holds it.
// The map goes one way only: DATE and double, VARIANT_BOOL and short are one C++ type each.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace WindowsUtils {

template <VARTYPE Type>
struct VariantTraits;

template <>
struct VariantTraits<VT_I1> {
    using Type = CHAR;
    static Type& Member(VARIANT& value) noexcept { return value.cVal; }
};
template <>
struct VariantTraits<VT_UI1> {
    using Type = BYTE;
    static Type& Member(VARIANT& value) noexcept { return value.bVal; }
};
template <>
struct VariantTraits<VT_I2> {
    using Type = SHORT;
    static Type& Member(VARIANT& value) noexcept { return value.iVal; }
};
template <>
struct VariantTraits<VT_UI2> {
    using Type = USHORT;
    static Type& Member(VARIANT& value) noexcept { return value.uiVal; }
};
template <>
struct VariantTraits<VT_I4> {
    using Type = LONG;
    static Type& Member(VARIANT& value) noexcept { return value.lVal; }
};
template <>
struct VariantTraits<VT_UI4> {
    using Type = ULONG;
    static Type& Member(VARIANT& value) noexcept { return value.ulVal; }
};
template <>
struct VariantTraits<VT_INT> {
    using Type = INT;
    static Type& Member(VARIANT& value) noexcept { return value.intVal; }
};
template <>
struct VariantTraits<VT_UINT> {
    using Type = UINT;
    static Type& Member(VARIANT& value) noexcept { return value.uintVal; }
};
template <>
struct VariantTraits<VT_I8> {
    using Type = LONGLONG;
    static Type& Member(VARIANT& value) noexcept { return value.llVal; }
};
template <>
struct VariantTraits<VT_UI8> {
    using Type = ULONGLONG;
    static Type& Member(VARIANT& value) noexcept { return value.ullVal; }
};
template <>
struct VariantTraits<VT_R4> {
    using Type = FLOAT;
    static Type& Member(VARIANT& value) noexcept { return value.fltVal; }
};
template <>
struct VariantTraits<VT_R8> {
    using Type = DOUBLE;
    static Type& Member(VARIANT& value) noexcept { return value.dblVal; }
};
template <>
struct VariantTraits<VT_DATE> {
    using Type = DATE;
    static Type& Member(VARIANT& value) noexcept { return value.date; }
};
template <>
struct VariantTraits<VT_BOOL> {
    using Type = VARIANT_BOOL;
    static Type& Member(VARIANT& value) noexcept { return value.boolVal; }
};
template <>
struct VariantTraits<VT_CY> {
    using Type = CY;
    static Type& Member(VARIANT& value) noexcept { return value.cyVal; }
};
template <>
struct VariantTraits<VT_ERROR> {
    using Type = SCODE;
    static Type& Member(VARIANT& value) noexcept { return value.scode; }
};
template <>
struct VariantTraits<VT_BSTR> {
    using Type = BSTR;
    static Type& Member(VARIANT& value) noexcept { return value.bstrVal; }
};
template <>
struct VariantTraits<VT_DISPATCH> {
    using Type = IDispatch*;
    static Type& Member(VARIANT& value) noexcept { return value.pdispVal; }
};
template <>
struct VariantTraits<VT_UNKNOWN> {
    using Type = IUnknown*;
    static Type& Member(VARIANT& value) noexcept { return value.punkVal; }
};
template <>
struct VariantTraits<VT_DECIMAL> {
    using Type = DECIMAL;
    static Type& Member(VARIANT& value) noexcept { return value.decVal; }
};
// An array of VT_VARIANT holds whole VARIANT records; there is no member for it.
template <>
struct VariantTraits<VT_VARIANT> {
    using Type = VARIANT;
};

template <VARTYPE Type>
using ElementType = typename VariantTraits<Type>::Type;

// Reads the member of Type from a VARIANT the caller has already found to be of that type.
template <VARTYPE Type>
ElementType<Type> MemberOf(const VARIANT& value) noexcept {
    return VariantTraits<Type>::Member(const_cast<VARIANT&>(value));
}

} // namespace WindowsUtils
