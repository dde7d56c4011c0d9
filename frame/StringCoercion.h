// Text taken from OLE Automation values: new BSTRs that the caller owns for one call or one element.
#pragma once

#include "frame/OwnedValues.h"

namespace WindowsUtils {

// A new BSTR holding the text up to its first NUL; null for a null text. _com_error(E_OUTOFMEMORY) when
// the platform cannot allocate it.
UniqueBstr CopyText(const OLECHAR* text);

// The string coercion: the value's own BSTR copied when it is VT_BSTR (a null BSTR gives null), any other
// value converted by VariantChangeType to VT_BSTR. _com_error with the conversion's HRESULT when the value
// has no text form.
UniqueBstr CoerceToText(const VARIANT& value);

} // namespace WindowsUtils
