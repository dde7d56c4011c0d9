// The library's main job, end to end: an automation client sends a list of points as an array of
// numbers; the host reads it into kernel points through a matrix, sends points back, and reads them
// again. A matrix travels both ways as well.
#include <WindowsUtils.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// What a client sends: VT_ARRAY|VT_R8 of the numbers, lower bound 0.
VARIANT NumberList(const std::vector<double>& numbers) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_R8;
    value.parray = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(numbers.size()));
    for (LONG i = 0; i < static_cast<LONG>(numbers.size()); ++i)
        SafeArrayPutElement(value.parray, &i, const_cast<double*>(&numbers[static_cast<size_t>(i)]));
    return value;
}

// What a script sends: VT_ARRAY|VT_VARIANT of whatever its values happened to be.
VARIANT ValueList(const std::vector<_variant_t>& values) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i)
        SafeArrayPutElement(value.parray, &i, const_cast<_variant_t*>(&values[static_cast<size_t>(i)]));
    return value;
}

void PrintNumbers(const char* title, const VARIANT& value, int perLine) {
    std::printf("%s (VT_ARRAY|VT_R8, %lu numbers):\n", title,
                static_cast<unsigned long>(value.parray->rgsabound[0].cElements));
    for (LONG i = 0; i < static_cast<LONG>(value.parray->rgsabound[0].cElements); ++i) {
        double number = 0;
        SafeArrayGetElement(value.parray, &i, &number);
        std::printf("%s%8.3f", i % perLine == 0 ? "    " : " ", number);
        if ((i + 1) % perLine == 0)
            std::printf("\n");
    }
}

void PrintPoints(const char* title, bool read, const std::vector<MbCartPoint3D>& points) {
    std::printf("%s: %s, %zu points\n", title, read ? "read" : "refused", points.size());
    for (const MbCartPoint3D& point : points)
        std::printf("    (%g, %g, %g)\n", point.x, point.y, point.z);
}

} // namespace

int main() {
    const MbMatrix3D shift = MbMatrix3D::Translation(10, 20, 30);
    std::printf("Matrix: a translation by (10, 20, 30)\n\n");

    VARIANT numbers = NumberList({1, 2, 3, 4, 5, 6});
    PrintNumbers("1. The client sends", numbers, 3);
    std::vector<MbCartPoint3D> points;
    PrintPoints("   FillMbCartPoint3DVector through the matrix",
                FillMbCartPoint3DVector(numbers, points, &shift), points);

    VARIANT mixed = ValueList({_variant_t(1L), _variant_t(u"2"), _variant_t(3.0), _variant_t(4L),
                               _variant_t(u"5"), _variant_t(6.0)});
    std::printf("\n2. A script sends the same list as VT_ARRAY|VT_VARIANT:\n"
                "    VT_I4 1, VT_BSTR \"2\", VT_R8 3, VT_I4 4, VT_BSTR \"5\", VT_R8 6\n");
    std::vector<MbCartPoint3D> scriptPoints;
    PrintPoints("   FillMbCartPoint3DVector through the matrix",
                FillMbCartPoint3DVector(mixed, scriptPoints, &shift), scriptPoints);

    VARIANT reply;
    VariantInit(&reply);
    std::printf("\n3. The host sends its points back with FillSafeArray: %s\n",
                FillSafeArray(reply, points, nullptr) ? "written" : "refused");
    PrintNumbers("   The client receives", reply, 3);
    std::vector<MbCartPoint3D> again;
    PrintPoints("   Read back without a matrix", FillMbCartPoint3DVector(reply, again, nullptr), again);
    const bool samePoints =
        again.size() == points.size() &&
        std::memcmp(again.data(), points.data(), points.size() * sizeof(MbCartPoint3D)) == 0;
    std::printf("   Same points as sent, bit for bit: %s\n", samePoints ? "yes" : "NO");

    VARIANT matrixValue;
    VariantInit(&matrixValue);
    std::printf("\n4. The matrix sent with MbMatrix3DToVariant: %s\n",
                MbMatrix3DToVariant(shift, matrixValue) ? "written" : "refused");
    PrintNumbers("   Row by row", matrixValue, 4);
    MbMatrix3D received;
    const bool matrixRead = CopyVariantToMbMatrix3D(matrixValue, received);
    bool same = matrixRead;
    for (std::size_t k = 0; k < MbMatrix3D::elementCount; ++k)
        same = same && received[k] == shift[k];
    std::printf("   CopyVariantToMbMatrix3D: %s, the same matrix: %s\n", matrixRead ? "read" : "refused",
                same ? "yes" : "NO");

    for (VARIANT* value : {&numbers, &mixed, &reply, &matrixValue})
        VariantClear(value);
    return samePoints && same ? 0 : 1;
}
