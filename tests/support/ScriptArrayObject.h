// A script's array as JScript hands it to a host: an object whose `length` and elements "0", "1", … are
// found by GetIDsOfNames and read or written through Invoke. A test makes it lie: a length with no
// elements behind it, holes, a length that is no number, an element whose read raises.
#pragma once

#include "DispatchObject.h"

#include <comdef.h>

#include <map>
#include <string>
#include <vector>

class ScriptArrayObject final : public TestSupport::DispatchObject {
public:
    static constexpr DISPID lengthId = 1000000;

    explicit ScriptArrayObject(std::vector<_variant_t> elements)
        : length(static_cast<double>(elements.size())) {
        for (std::size_t index = 0; index < elements.size(); ++index)
            this->elements[static_cast<DISPID>(index)] = elements[index];
    }

    _variant_t length;
    std::map<DISPID, _variant_t> elements; // by index; an index not here is a hole
    DISPID failingRead = -1;               // this element's read raises DISP_E_EXCEPTION
    std::size_t lookUps = 0;               // GetIDsOfNames calls

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++lookUps;
        if (count != 1)
            return E_INVALIDARG;
        const std::basic_string<OLECHAR> name(names[0]);
        if (name == OLESTR("length")) {
            *ids = lengthId;
            return S_OK;
        }
        DISPID index = 0;
        for (const OLECHAR digit : name) {
            if (digit < '0' || digit > '9' || index > 100000000)
                return DISP_E_UNKNOWNNAME;
            index = index * 10 + (digit - '0');
        }
        if (name.empty() || elements.count(index) == 0)
            return DISP_E_UNKNOWNNAME;
        *ids = index;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (id == lengthId && flags == DISPATCH_PROPERTYGET)
            return VariantCopy(result, &length);
        const auto element = elements.find(id);
        if (element == elements.end())
            return DISP_E_MEMBERNOTFOUND;
        if (id == failingRead) {
            *exception = EXCEPINFO{};
            exception->scode = E_ACCESSDENIED;
            exception->bstrDescription = SysAllocString(OLESTR("the script's own error"));
            return DISP_E_EXCEPTION;
        }
        if (flags == DISPATCH_PROPERTYGET)
            return VariantCopy(result, &element->second);
        if (flags == DISPATCH_PROPERTYPUT && parameters->cArgs == 1 && parameters->cNamedArgs == 1 &&
            parameters->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)
            return VariantCopy(&element->second, &parameters->rgvarg[0]);
        return DISP_E_MEMBERNOTFOUND;
    }
};
