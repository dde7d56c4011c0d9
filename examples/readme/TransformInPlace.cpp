// Changing a point list where it stands: the array keeps its bounds and element type, only the numbers
// change.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    _variant_t value;
    CopyVectorToVariant(std::vector<double>{0, 0, 0, 1, 1, 1}, value);

    // Every point moved: 1, 2, 3, 2, 3, 4.
    const bool moved = TransformPoints(value, MbMatrix3D::Translation(1, 2, 3));

    // The leading points overwritten, the others kept: 7, 8, 9, 2, 3, 4.
    const std::vector<MbCartPoint3D> replacement{{7, 8, 9}};
    const bool reset = ResetPoints(value, replacement);

    std::vector<double> numbers;
    CopyVariantToVector(value, numbers);
    for (double number : numbers)
        std::printf("%g ", number);
    std::printf("\n");

    return moved && reset && numbers == std::vector<double>{7, 8, 9, 2, 3, 4} ? 0 : 1;
}
