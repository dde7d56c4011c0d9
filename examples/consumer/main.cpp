// A program outside the library's build that uses the installed package: a point list arrives as an
// array of numbers, is read into kernel points through a translation and is written back.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    // The list as an automation client sends it: VT_ARRAY|VT_R8 holding x, y, z of two points.
    const double numbers[] = {1, 2, 3, 4, 5, 6};
    _variant_t input;
    input.vt = VT_ARRAY | VT_R8;
    input.parray = SafeArrayCreateVector(VT_R8, 0, 6);
    for (LONG index = 0; index < 6; ++index)
        SafeArrayPutElement(input.parray, &index, const_cast<double*>(&numbers[index]));

    const MbMatrix3D translation = MbMatrix3D::Translation(10, 20, 30);
    std::vector<MbCartPoint3D> points;
    if (!FillMbCartPoint3DVector(input, points, &translation))
        return 1;

    _variant_t output;
    if (!FillSafeArray(output, points, nullptr))
        return 1;
    const double expected[] = {11, 22, 33, 14, 25, 36};
    bool same = output.parray->rgsabound[0].cElements == 6;
    for (LONG index = 0; same && index < 6; ++index) {
        double number = 0;
        SafeArrayGetElement(output.parray, &index, &number);
        std::printf("%g%s", number, index % 3 == 2 ? "\n" : " ");
        same = number == expected[index];
    }

    // A value the library cannot coerce reaches the caller as _com_error: a null array is taken as a
    // scalar, and an array has no integer value.
    _variant_t nullArray;
    nullArray.vt = VT_ARRAY | VT_I4;
    nullArray.parray = nullptr;
    std::vector<int> integers;
    try {
        CopyVariantToVector(nullArray, integers);
        return 1;
    } catch (const _com_error& error) {
        std::printf("_com_error 0x%08X\n", static_cast<unsigned int>(error.Error()));
        same = same && error.Error() == DISP_E_TYPEMISMATCH;
    }
    return same ? 0 : 1;
}
