// Numbers and booleans between array values and the kernel's SArray or standard vectors.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    SArray<double> lengths;
    lengths.Add(1.5);
    lengths.Add(2.5);
    _variant_t value;
    CopySArrayToVariant(lengths, value); // VT_ARRAY|VT_R8: 1.5, 2.5

    // A typed array replaces the content; a scalar, or the values of a VARIANT array, are coerced and
    // appended: 1.5, 2.5, 4.
    SArray<double> received;
    const bool read = CopyVariantToSArray(value, received);
    const bool appended = CopyVariantToSArray(_variant_t(4.0), received);
    for (double length : received)
        std::printf("%g ", length);
    std::printf("\n");

    // Booleans go out as VARIANT_BOOL, -1 for true, and come back as bools.
    const std::vector<bool> flags{true, false, true};
    _variant_t flagValue;
    CopyVectorToVariant(flags, flagValue);
    SArray<short> stored;
    CopyVariantToSArray(flagValue, stored); // -1, 0, -1
    std::vector<bool> flagsBack;
    CopyVariantToVector(flagValue, flagsBack);

    return read && appended && received.Count() == 3 && received[2] == 4.0 && stored[0] == VARIANT_TRUE &&
                   flagsBack == flags
               ? 0
               : 1;
}
