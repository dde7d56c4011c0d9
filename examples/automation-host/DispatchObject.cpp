#include "DispatchObject.h"

HRESULT CheckCall(MemberKind kind, UINT fewestArguments, UINT mostArguments, WORD flags,
                  const DISPPARAMS& parameters) {
    const WORD reaching = kind == MemberKind::method ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if ((flags & reaching) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (parameters.cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (parameters.cArgs < fewestArguments || parameters.cArgs > mostArguments)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}
