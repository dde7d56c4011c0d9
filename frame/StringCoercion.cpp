#include "frame/StringCoercion.h"

#include <comdef.h>

namespace WindowsUtils {

UniqueBstr CopyText(const OLECHAR* text) {
    UniqueBstr copy(SysAllocString(text));
    if (copy.get() == nullptr && text != nullptr)
        throw _com_error(E_OUTOFMEMORY);
    return copy;
}

UniqueBstr CoerceToText(const VARIANT& value) {
    if (value.vt == VT_BSTR)
        return CopyText(value.bstrVal);
    ScratchVariant converted;
    const HRESULT result = VariantChangeType(converted.get(), &value, 0, VT_BSTR);
    if (FAILED(result))
        throw _com_error(result);
    return CopyText(converted->bstrVal);
}

} // namespace WindowsUtils
