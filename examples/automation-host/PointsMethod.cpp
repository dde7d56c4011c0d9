// Host.Points(list [, matrix]): a script's point list read into kernel points, carried through the
// script's matrix when it sends one, and given back as numbers. Invoke has checked the argument count;
// what this throws, it turns into the script's error: a Refusal into the host's own code with the text
// below, the library's _com_error into its HRESULT (VBScript's Err.Number), std::bad_alloc into
// E_OUTOFMEMORY.
#include "HostMethods.h"

#include <WindowsUtils.h>

#include <optional>

_variant_t Points(MethodArguments arguments, LibraryClock& clock) {
    // A variable arrives by reference and a JScript array as an object: the library takes neither.
    ScriptValue list(arguments[0], arguments.Method());
    RequireList(list.Value(), true, L"Points expects a one-dimensional array of numbers, three per point");

    std::optional<MbMatrix3D> matrix;
    if (arguments.Count() == 2) {
        ScriptValue numbers(arguments[1], arguments.Method());
        RequireList(numbers.Value(), true, L"Points expects its matrix as an array of 16 numbers");
        matrix.emplace();
        if (!clock.Time([&] { return CopyVariantToMbMatrix3D(numbers.Value(), *matrix); }))
            throw Refusal(L"Points expects its matrix as an array of 16 numbers");
    }

    std::vector<MbCartPoint3D> points;
    if (!clock.Time(
            [&] { return FillMbCartPoint3DVector(list.Value(), points, matrix ? &*matrix : nullptr); }))
        throw Refusal(L"Points expects a one-dimensional array of numbers, three per point");

    _variant_t numbers; // owns the library's VT_ARRAY|VT_R8
    if (!clock.Time([&] { return FillSafeArray(numbers, points, nullptr); }))
        throw Refusal(L"Points could not write its points");
    return WidenToVariantArray(numbers); // VBScript indexes only VARIANT arrays
}
