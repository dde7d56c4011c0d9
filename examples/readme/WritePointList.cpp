// Writing a point list: kernel points go out as one VT_ARRAY|VT_R8 array of numbers, which the caller
// owns from then on. Writers do not release what their output held, so it starts empty.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    const std::vector<MbCartPoint3D> points{{1, 2, 3}, {4, 5, 6}};
    _variant_t value;
    const bool written = FillSafeArray(value, points, nullptr); // 1, 2, 3, 4, 5, 6

    // Single precision is widened exactly: 0.1f arrives as 0.100000001490116...
    SArray<MbFloatPoint> plane;
    plane.Add(MbFloatPoint(0.1, 0.5));
    _variant_t planeValue;
    const bool planeWritten = CopySArrayToVariant(plane, planeValue);

    std::vector<double> numbers;
    std::vector<double> planeNumbers;
    CopyVariantToVector(value, numbers);
    CopyVariantToVector(planeValue, planeNumbers);
    for (double number : numbers)
        std::printf("%g ", number);
    for (double number : planeNumbers)
        std::printf("\n%.17g", number);
    std::printf("\n");

    return written && numbers == std::vector<double>{1, 2, 3, 4, 5, 6} && planeWritten &&
                   planeNumbers == std::vector<double>{0.1f, 0.5f}
               ? 0
               : 1;
}
