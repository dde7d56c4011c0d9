#include <WindowsUtils.h>

bool IsInt(unsigned short vt, bool& isArray) {
    isArray = (vt & VT_ARRAY) != 0;
    const unsigned rest = vt & 0xDFFFu;
    if (rest > VT_UINT)
        return false;
    // One bit per accepted type: VT_I4 (3), VT_UI4 (19), VT_INT (22), VT_UINT (23).
    return ((0xC80008u >> rest) & 1u) != 0;
}

bool IsSimpleVariantType(unsigned short vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}
