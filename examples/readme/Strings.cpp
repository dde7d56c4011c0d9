// Lists of text: BSTR arrays to and from standard wide strings and the kernel's old::string lists.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    const std::vector<WideString> names{OLESTR("Wall"), OLESTR("Door")};
    _variant_t value;
    FillVectorToBSTRSafeArray(value, names); // VT_ARRAY|VT_BSTR

    // Into an owning kernel list of old::string, emptied first.
    PArray<old::string> strings;
    const bool read = FillStrArray(value, strings);
    for (std::uint64_t index = 0; index < strings.Count(); ++index)
        std::printf("%llu characters\n", static_cast<unsigned long long>(strings[index]->Length()));

    // And back out, then into wide strings again.
    _variant_t again;
    const bool written = FillBSTRSafeArray(again, strings);
    std::vector<WideString> texts;
    FillVectorToStrArray(again, texts);

    // A single BSTR is a list of one.
    std::vector<WideString> single;
    FillVectorToStrArray(_variant_t(OLESTR("Roof")), single);

    return read && written && texts == names && single == std::vector<WideString>{OLESTR("Roof")} ? 0 : 1;
}
