// Stand-in for <oleauto.h>: the OLE Automation services the library calls.
#pragma once
#pragma GCC system_header

#include "oaidl.h"

#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10

extern "C" {
BSTR WINAPI SysAllocString(const OLECHAR* text);
BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length);
void WINAPI SysFreeString(BSTR text);
UINT WINAPI SysStringLen(BSTR text);
UINT WINAPI SysStringByteLen(BSTR text);

void WINAPI VariantInit(VARIANTARG* value);
HRESULT WINAPI VariantClear(VARIANTARG* value);
HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source);
HRESULT WINAPI VariantCopyInd(VARIANT* destination, const VARIANTARG* source);
HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags, VARTYPE vt);

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT dimensions, SAFEARRAYBOUND* bounds);
SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array);
HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy);
HRESULT WINAPI SafeArrayLock(SAFEARRAY* array);
HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array);
HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array);
HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* element);
HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* element);
UINT WINAPI SafeArrayGetDim(SAFEARRAY* array);
UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound);
HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound);
HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
}
