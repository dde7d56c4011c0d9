// How a host's errors reach its client: Invoke's result and EXCEPINFO.
#include <WindowsUtilsHostKit.h>

#include "Words.h"

#include <new>

namespace HostKit {
namespace {

WideString HexNumber(HRESULT code) {
    static const char digits[] = "0123456789ABCDEF";
    WideString number = Words("0x00000000");
    auto bits = static_cast<std::uint32_t>(code);
    for (std::size_t position = number.size(); position > 2; bits >>= 4)
        number[--position] = static_cast<OLECHAR>(digits[bits & 0xF]);
    return number;
}

// Wine's message tables have no text for the DISP_E codes the library raises, the stand-ins none at all.
const char* OwnText(HRESULT code) {
    switch (code) {
    case DISP_E_TYPEMISMATCH:
        return "a value has no form of the type needed (type mismatch)";
    case DISP_E_OVERFLOW:
        return "a value lies outside the range of the type needed (overflow)";
    case DISP_E_BADVARTYPE:
        return "a value is of a type that cannot be converted";
    case DISP_E_BADPARAMCOUNT:
        return "the number of arguments is wrong";
    case DISP_E_PARAMNOTFOUND:
        return "an argument is missing";
    case DISP_E_MEMBERNOTFOUND:
        return "no such member";
    case DISP_E_ARRAYISLOCKED:
        return "an array is locked";
    case E_OUTOFMEMORY:
        return "out of memory";
    case E_INVALIDARG:
        return "an argument is not valid";
    default:
        return nullptr;
    }
}

WideString PlatformText(HRESULT code) {
    WideString message;
#if defined(_WIN32)
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0, text, 512, nullptr);
    message.assign(text, length);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
#else
    (void)code;
#endif
    return message;
}

BSTR NewString(const OLECHAR* text) {
    BSTR copy = SysAllocString(text);
    if (copy == nullptr && text != nullptr)
        throw std::bad_alloc();
    return copy;
}

} // namespace

Refusal::Refusal(WideString description, HRESULT code) : description(std::move(description)), code(code) {}

const char* Refusal::what() const noexcept {
    return "argument refused";
}

WideString ErrorText(HRESULT code) {
    const char* own = OwnText(code);
    const WideString message = own != nullptr ? Words(own) : PlatformText(code);
    const WideString number = HexNumber(code);
    if (message.empty())
        return Words("error ") + number;
    return message + Words(" (") + number + Words(")");
}

namespace {

void FillException(EXCEPINFO& exception, HRESULT code, const OLECHAR* source, const WideString& description) {
    EXCEPINFO filled{};
    filled.scode = code;
    filled.bstrSource = NewString(source);
    filled.bstrDescription = SysAllocString(description.c_str());
    if (filled.bstrDescription == nullptr) {
        SysFreeString(filled.bstrSource);
        throw std::bad_alloc();
    }
    exception = filled;
}

} // namespace

HRESULT ReportError(EXCEPINFO* exception, HRESULT code, const OLECHAR* source,
                    const WideString& description) noexcept {
    if (exception == nullptr)
        return code;
    try {
        FillException(*exception, code, source, description);
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace HostKit
