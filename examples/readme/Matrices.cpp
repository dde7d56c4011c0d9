// Matrices travel as their sixteen elements, row by row; a list of them as sixteen numbers each.
#include <WindowsUtils.h>

#include <algorithm>
#include <cstdio>

int main() {
    const MbMatrix3D scaling = MbMatrix3D::Scaling(2, 3, 4);
    _variant_t value;
    const bool written = MbMatrix3DToVariant(scaling, value); // VT_ARRAY|VT_R8 of 16 numbers

    MbMatrix3D received;
    const bool read = CopyVariantToMbMatrix3D(value, received);
    for (std::size_t row = 0; row < 4; ++row)
        std::printf("%g %g %g %g\n", received(row, 0), received(row, 1), received(row, 2), received(row, 3));

    // Two matrices in one array: appended to the kernel array.
    std::vector<double> numbers(32);
    std::copy_n(scaling.Data(), 16, numbers.begin());
    std::copy_n(MbMatrix3D().Data(), 16, numbers.begin() + 16);
    _variant_t list;
    CopyVectorToVariant(numbers, list);
    SArray<MbMatrix3D> matrices;
    const bool readList = CopyVariantToSArray(list, matrices);

    const bool same = std::equal(scaling.Data(), scaling.Data() + 16, received.Data());
    return written && read && same && readList && matrices.Count() == 2 && matrices[1].CheckFlag() == 0 ? 0
                                                                                                        : 1;
}
