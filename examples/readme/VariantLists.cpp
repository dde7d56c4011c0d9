// Lists of arbitrary values: an array of VARIANTs out, and any value in.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    _variant_t number(2.5);
    _variant_t text(OLESTR("door"));
    _variant_t count(3L);
    RPArray<_variant_t> values; // borrows the values
    values.Add(&number);
    values.Add(&text);
    values.Add(&count);
    _variant_t list;
    const bool written = CopySArrayToVariant(values, list); // VT_ARRAY|VT_VARIANT holding copies

    PArray<_variant_t> received; // owns what it receives
    const bool read = CopyVariantToSArray(list, received);
    for (std::uint64_t index = 0; index < received.Count(); ++index)
        std::printf("vt %d\n", received[index]->vt); // VT_R8, VT_BSTR, VT_I4

    // A typed array gives one value per element: VT_R8 1 and VT_R8 2.
    _variant_t numbers;
    CopyVectorToVariant(std::vector<double>{1, 2}, numbers);
    PArray<_variant_t> elements;
    const bool readNumbers = CopyVariantToSArray(numbers, elements);

    return written && read && received.Count() == 3 && received[1]->vt == VT_BSTR && readNumbers &&
                   elements.Count() == 2 && elements[1]->vt == VT_R8 && elements[1]->dblVal == 2
               ? 0
               : 1;
}
