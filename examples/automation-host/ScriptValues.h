// What the host does between a script's values and the library, written once for every method:
// dereferencing by-reference arguments, turning a JScript array into an array value, checking the shape
// of a list, widening a typed result into the VARIANT array a script can index, and describing errors.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include "ComSupport.h"

#include <exception>
#include <span>
#include <string>

// The host's own code for an argument of a shape the method cannot use (a reader's refusal included).
inline constexpr HRESULT hostRefusal = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x201);

// An argument the method cannot use; the description says what was expected.
class Refusal : public std::exception {
public:
    explicit Refusal(std::wstring description) : description(std::move(description)) {}
    const std::wstring& Description() const noexcept { return description; }
    const char* what() const noexcept override { return "argument refused"; }

private:
    std::wstring description;
};

// The one place where the host describes an error to its client. scode is always set: an error given
// only as wCode reaches VBScript as Err.Number 0.
void FillException(EXCEPINFO& exception, HRESULT code, const wchar_t* source, const std::wstring& description);

// What an argument refers to, through every VT_BYREF|VT_VARIANT level a script engine adds.
VARIANT& Referenced(VARIANT& argument);

// Keeps a SAFEARRAY's data locked for one scope.
class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* array);
    ~ArrayData() { SafeArrayUnaccessData(array); }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;

    template <typename Element>
    Element* As() const {
        return static_cast<Element*>(data);
    }

private:
    SAFEARRAY* array;
    void* data = nullptr;
};

// An argument as the library takes it: by value. A by-reference array is viewed where it stands, so
// the library reads (or moves in place) the script's own array without a copy; a by-reference scalar is
// copied. A JScript array, an object with a `length`, becomes a VT_ARRAY|VT_VARIANT of its elements
// (a hole, an element never set, is refused, so a fake `length` cannot make the host loop).
class ScriptValue {
public:
    ScriptValue(VARIANT& argument, const wchar_t* method);
    ScriptValue(const ScriptValue&) = delete;
    ScriptValue& operator=(const ScriptValue&) = delete;

    VARIANT& Value() noexcept { return converted ? static_cast<VARIANT&>(owned) : view; }
    // Stores the elements back into the JScript array this value was made from (nothing otherwise).
    void WriteBack(const wchar_t* method);

private:
    VARIANT view{};   // borrowed from the caller: never cleared
    _variant_t owned; // a copy made here
    bool converted = false;
    IDispatch* scriptArray = nullptr; // borrowed from the caller
};

// Throws Refusal(expectation) unless the value is a one-dimensional array whose elements, for
// `flat`, are no arrays or objects.
void RequireList(const VARIANT& value, bool flat, const std::wstring& expectation);

// A number argument (any form a script sends), coerced to double; _com_error when it has none.
double NumberArgument(VARIANT& argument);

// A new VT_ARRAY|VT_VARIANT (lower bound 0) holding copies of the values.
_variant_t VariantArray(std::span<const _variant_t> values);
// The library's typed array (VT_R8, VT_I4, VT_BOOL, VT_BSTR…) widened element by element into the
// VT_ARRAY|VT_VARIANT that VBScript can index; VT_EMPTY (nothing written) gives an empty array.
_variant_t WidenToVariantArray(const VARIANT& typed);
