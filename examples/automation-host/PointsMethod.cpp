// Host.Points(list [, matrix]): a script's point list read into kernel points, carried through the
// script's matrix when it sends one, and given back as numbers. Invoke has checked the argument count;
// what this throws, it turns into the script's error through the host kit.
#include "HostMethods.h"

#include <WindowsUtils.h>

#include <optional>

using namespace HostKit;

_variant_t Points(MethodArguments arguments, LibraryClock& clock) {
    // A variable arrives by reference and a JScript array as an object: the library takes neither.
    ArgumentView list(arguments[0], arguments.Method());
    Require(list.Value(), Reads::pointVector3D, arguments.Method());

    std::optional<MbMatrix3D> matrix;
    if (arguments.Count() == 2) {
        ArgumentView numbers(arguments[1], arguments.Method());
        Require(numbers.Value(), Reads::matrix, arguments.Method());
        matrix.emplace();
        if (!clock.Time([&] { return CopyVariantToMbMatrix3D(numbers.Value(), *matrix); }))
            throw Refusal(WideString(arguments.Method()) + OLESTR(" could not read its matrix"));
    }

    std::vector<MbCartPoint3D> points;
    if (!clock.Time(
            [&] { return FillMbCartPoint3DVector(list.Value(), points, matrix ? &*matrix : nullptr); }))
        throw Refusal(WideString(arguments.Method()) + OLESTR(" could not read its points"));

    _variant_t numbers; // owns the library's VT_ARRAY|VT_R8
    if (!clock.Time([&] { return FillSafeArray(numbers, points, nullptr); }))
        throw Refusal(WideString(arguments.Method()) + OLESTR(" could not write its points"));
    return ScriptResult(std::move(numbers)); // VBScript indexes only VARIANT arrays
}
