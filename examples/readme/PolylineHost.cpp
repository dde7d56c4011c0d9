// A host serving SetPolyline(list) and GetPolyline() to VBScript and JScript through the host kit: the
// view follows the script's references (and reads a JScript array), Require says what was wrong, the
// read keeps the old polyline unless it succeeds whole, and the result is an array every script indexes.
#include <WindowsUtilsHostKit.h>

#include <atomic>
#include <cstdio>
#include <string_view>
#include <vector>

class PolylineHost final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        const std::basic_string_view<OLECHAR> name(names[0]);
        ids[0] = name == OLESTR("SetPolyline") ? 1 : name == OLESTR("GetPolyline") ? 2 : DISPID_UNKNOWN;
        return count == 1 && ids[0] != DISPID_UNKNOWN ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override {
        if (id != 1 && id != 2)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters->cArgs != (id == 1 ? 1u : 0u))
            return DISP_E_BADPARAMCOUNT;
        const OLECHAR* method = id == 1 ? OLESTR("SetPolyline") : OLESTR("GetPolyline");
        try {
            if (id == 1) {
                HostKit::ArgumentView list(parameters->rgvarg[0], method); // its one argument
                HostKit::Require(list.Value(), HostKit::Reads::pointVector3D, method);
                HostKit::ReadWhole(points, [&](std::vector<MbCartPoint3D>& read) {
                    return FillMbCartPoint3DVector(list.Value(), read, nullptr);
                });
            } else if (result != nullptr) {
                _variant_t numbers; // stays VT_EMPTY while there are no points
                FillSafeArray(numbers, points, nullptr);
                *result = HostKit::ScriptResult(std::move(numbers)).Detach();
            }
            return S_OK;
        } catch (...) {
            return HostKit::ReportCurrentException(exception, OLESTR("PolylineHost"), method);
        }
    }

private:
    std::atomic<ULONG> references{1};
    std::vector<MbCartPoint3D> points;
};

// The object a script engine gets as its named item (see the script tests); main calls it as VBScript
// does: `Host.SetPolyline list` sends the variable by reference.
IDispatch* NewPolylineHost() {
    return new PolylineHost;
}

int main() {
    IDispatch* host = NewPolylineHost();
    _variant_t list;
    CopyVectorToVariant(std::vector<double>{0, 0, 0, 1, 2, 3}, list);
    VARIANT variable{};
    variable.vt = VT_BYREF | VT_VARIANT;
    variable.pvarVal = &list;
    DISPPARAMS one{&variable, nullptr, 1, 0}, none{};
    EXCEPINFO exception{};
    const HRESULT set = host->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, &exception, nullptr);
    _variant_t back;
    const HRESULT get = host->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, &back, &exception, nullptr);

    // Four numbers: refused with the reason ("SetPolyline expects …; it received an array of 4 …"),
    // and the polyline stays as it was.
    _variant_t four; // a fresh output: a writer never releases what its output held
    CopyVectorToVariant(std::vector<double>{1, 2, 3, 4}, four);
    variable.pvarVal = &four;
    const HRESULT refused = host->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, &exception, nullptr);
    for (const OLECHAR* character = exception.bstrDescription; *character != 0; ++character)
        std::putchar(static_cast<char>(*character));
    std::putchar('\n');
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    host->Release();
    return set == S_OK && get == S_OK && back.vt == (VT_ARRAY | VT_VARIANT) &&
                   back.parray->rgsabound[0].cElements == 6 && refused == DISP_E_EXCEPTION &&
                   exception.scode == HostKit::refusalCode
               ? 0
               : 1;
}
