#include "frame/Coercion.h"

#include "frame/OwnedValues.h"

namespace WindowsUtils {

VARIANT ConvertScalar(const VARIANT& source, VARTYPE target) {
    ScratchVariant converted;
    const HRESULT result = VariantChangeType(converted.get(), &source, 0, target);
    if (FAILED(result))
        throw _com_error(result);
    // Numbers own nothing, so the value outlives the scratch that is cleared here.
    return *converted;
}

void AssignDouble(VARIANT& element, double x) {
    if (element.vt == VT_R8) {
        element.dblVal = x;
        return;
    }
    if (element.vt == VT_DATE) {
        element.date = x;
        return;
    }
    const HRESULT result = VariantClear(&element);
    if (FAILED(result))
        throw _com_error(result);
    element.vt = VT_R8;
    element.dblVal = x;
}

} // namespace WindowsUtils
