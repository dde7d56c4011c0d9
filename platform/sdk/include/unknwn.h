// Stand-in for <unknwn.h>: IUnknown with its methods in the published order.
#pragma once
#pragma GCC system_header

#include "guiddef.h"
#include "winerror.h"

extern "C" const IID IID_IUnknown;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;
