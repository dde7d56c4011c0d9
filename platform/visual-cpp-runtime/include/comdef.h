// Stands in for Visual C++'s <comdef.h>: _com_error, laid out as Microsoft documents the class (a
// virtual destructor; the HRESULT, the IErrorInfo and the formatted message, in that order).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "../../comsupp/include/comutil.h"
#include <comip.h>

class _com_error {
public:
    _com_error(HRESULT result, IErrorInfo* errorInfo = nullptr, bool addReference = false) noexcept
        : m_hresult(result), m_perrinfo(errorInfo), m_pszMsg(nullptr) {
        if (m_perrinfo != nullptr && addReference)
            m_perrinfo->AddRef();
    }
    _com_error(const _com_error& other) noexcept : _com_error(other.m_hresult, other.m_perrinfo, true) {}
    _com_error& operator=(const _com_error& other) noexcept {
        if (this != &other) {
            _com_error copy(other);
            Swap(copy);
        }
        return *this;
    }
    virtual ~_com_error() noexcept {
        if (m_perrinfo != nullptr)
            m_perrinfo->Release();
        if (m_pszMsg != nullptr)
            LocalFree(m_pszMsg);
    }
    HRESULT Error() const noexcept { return m_hresult; }
    // The WORD error code of a dispatch error, 0 for any other HRESULT.
    WORD WCode() const noexcept {
        const auto code = static_cast<unsigned long>(m_hresult);
        return (code >= 0x80040200u && code <= 0x8004FFFFu) ? static_cast<WORD>(code - 0x80040200u) : 0;
    }
    IErrorInfo* ErrorInfo() const noexcept {
        if (m_perrinfo != nullptr)
            m_perrinfo->AddRef();
        return m_perrinfo;
    }

private:
    void Swap(_com_error& other) noexcept {
        auto exchange = [](auto& left, auto& right) {
            auto kept = left;
            left = right;
            right = kept;
        };
        exchange(m_hresult, other.m_hresult);
        exchange(m_perrinfo, other.m_perrinfo);
        exchange(m_pszMsg, other.m_pszMsg);
    }

    HRESULT m_hresult;
    IErrorInfo* m_perrinfo;
    mutable TCHAR* m_pszMsg;
};
