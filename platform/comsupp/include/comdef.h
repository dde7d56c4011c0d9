// Stand-in for <comdef.h>: _com_error, the exception that carries a failing HRESULT.
#pragma once
#pragma GCC system_header

#include "comutil.h"

class _com_error {
public:
    _com_error(HRESULT result, IErrorInfo* errorInfo = nullptr, bool addReference = false) noexcept
        : result_(result) {
        (void)errorInfo;
        (void)addReference;
    }
    HRESULT Error() const noexcept { return result_; }
    // The WORD error code of a dispatch error, 0 for any other HRESULT.
    WORD WCode() const noexcept {
        const auto code = static_cast<unsigned>(result_);
        return (code >= 0x80040200u && code <= 0x8004FFFFu) ? static_cast<WORD>(code - 0x80040200u) : 0;
    }
    IErrorInfo* ErrorInfo() const noexcept { return nullptr; }

private:
    HRESULT result_;
};
