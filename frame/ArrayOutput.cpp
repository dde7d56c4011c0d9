#include "frame/ArrayOutput.h"

namespace WindowsUtils {

SAFEARRAY* CreateFreshArray(VARTYPE elementType, ULONG count) noexcept {
    if (count == 0)
        return nullptr;
    return SafeArrayCreateVector(elementType, 0, count);
}

SAFEARRAY* CreateBoundedArray(VARTYPE elementType, ULONG count) noexcept {
    SAFEARRAYBOUND bound{count, 0};
    return SafeArrayCreate(elementType, 1, &bound);
}

void StoreArray(VARIANT& output, VARTYPE elementType, SAFEARRAY* array, OutputStart start) noexcept {
    if (start == OutputStart::VariantInit)
        VariantInit(&output);
    output.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    output.parray = array;
}

} // namespace WindowsUtils
