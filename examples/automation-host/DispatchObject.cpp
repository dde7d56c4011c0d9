#include "DispatchObject.h"

#include <WindowsUtilsHostKit.h>

#include <string>

HRESULT CheckCall(MemberKind kind, UINT fewestArguments, UINT mostArguments, WORD flags,
                  const DISPPARAMS& parameters) {
    const WORD reaching =
        kind == MemberKind::method ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if ((flags & reaching) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (parameters.cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (parameters.cArgs < fewestArguments || parameters.cArgs > mostArguments)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

HRESULT ReportFailure(EXCEPINFO* exception, const wchar_t* source, const wchar_t* member) noexcept {
    try {
        throw;
    } catch (const _com_error& error) {
        try {
            ComSupport::ScriptError& reported = ComSupport::ReportedScriptError();
            if (error.Error() == ComSupport::scriptErrorReported && FAILED(reported.code)) {
                const ComSupport::ScriptError taken = std::exchange(reported, ComSupport::ScriptError{});
                return HostKit::ReportError(exception, taken.code, taken.source.c_str(), taken.description);
            }
            // A callee's own words (ComSupport::ThrowError); without any, the host words the error.
            const IErrorInfoPtr info(error.ErrorInfo(), false);
            const std::wstring description =
                info ? ComSupport::ErrorInfoText(*info, &IErrorInfo::GetDescription) : std::wstring();
            if (!description.empty()) {
                const std::wstring callee = ComSupport::ErrorInfoText(*info, &IErrorInfo::GetSource);
                return HostKit::ReportError(exception, error.Error(), callee.empty() ? source : callee.c_str(),
                                            description);
            }
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return HostKit::ReportCurrentException(exception, source, member);
    } catch (...) {
        return HostKit::ReportCurrentException(exception, source, member);
    }
}
