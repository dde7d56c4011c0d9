// A program outside the library's build that uses the installed package: a point list arrives as a
// script's variable holding an array of numbers, is viewed and checked by the host kit, read into kernel
// points through a translation, written back and widened into the VARIANT array a script indexes.
#include <WindowsUtils.h>
#include <WindowsUtilsHostKit.h>

#include <cstdio>

int main() {
    // The list as an automation client sends it: VT_ARRAY|VT_R8 holding x, y, z of two points, in a
    // variable the script passes by reference.
    const double numbers[] = {1, 2, 3, 4, 5, 6};
    _variant_t input;
    input.vt = VT_ARRAY | VT_R8;
    input.parray = SafeArrayCreateVector(VT_R8, 0, 6);
    for (LONG index = 0; index < 6; ++index)
        SafeArrayPutElement(input.parray, &index, const_cast<double*>(&numbers[index]));
    VARIANT variable{};
    variable.vt = VT_BYREF | VT_VARIANT;
    variable.pvarVal = &input;

    HostKit::ArgumentView list(variable, OLESTR("Consumer"));
    HostKit::Require(list.Value(), HostKit::Reads::pointVector3D, OLESTR("Consumer"));
    const MbMatrix3D translation = MbMatrix3D::Translation(10, 20, 30);
    std::vector<MbCartPoint3D> points;
    if (!FillMbCartPoint3DVector(list.Value(), points, &translation))
        return 1;

    _variant_t written;
    if (!FillSafeArray(written, points, nullptr))
        return 1;
    const _variant_t output = HostKit::ScriptResult(std::move(written));
    const double expected[] = {11, 22, 33, 14, 25, 36};
    bool same = output.vt == (VT_ARRAY | VT_VARIANT) && output.parray->rgsabound[0].cElements == 6;
    for (LONG index = 0; same && index < 6; ++index) {
        _variant_t number;
        SafeArrayGetElement(output.parray, &index, &number);
        std::printf("%g%s", number.dblVal, index % 3 == 2 ? "\n" : " ");
        same = number.vt == VT_R8 && number.dblVal == expected[index];
    }
    return same ? 0 : 1;
}
