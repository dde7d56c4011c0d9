#include "HostObject.h"

#include "DispatchObject.h"
#include "HostMethods.h"

#include <atomic>
#include <new>

namespace {

enum : DISPID {
    pointsId = 1,
    moveId,
    numbersId,
    integersId,
    flagsId,
    textsId,
    valuesId,
    fontId,
    lastCallSecondsId = 100,
    lastLibrarySecondsId,
};

constexpr DispatchMember hostMembers[] = {
    {L"Points", pointsId},
    {L"Move", moveId},
    {L"Numbers", numbersId},
    {L"Integers", integersId},
    {L"Flags", flagsId},
    {L"Texts", textsId},
    {L"Values", valuesId},
    {L"Font", fontId},
    {L"LastCallSeconds", lastCallSecondsId},
    {L"LastLibrarySeconds", lastLibrarySecondsId},
};

struct MethodEntry {
    DISPID id;
    const wchar_t* name;
    UINT fewestArguments;
    UINT mostArguments;
    HostMethod call;
};

constexpr MethodEntry methods[] = {
    {pointsId, L"Points", 1, 2, Points},    {moveId, L"Move", 4, 4, Move},
    {numbersId, L"Numbers", 1, 1, Numbers}, {integersId, L"Integers", 1, 1, Integers},
    {flagsId, L"Flags", 1, 1, Flags},       {textsId, L"Texts", 1, 1, Texts},
    {valuesId, L"Values", 1, 1, Values},    {fontId, L"Font", 1, 1, Font},
};

class HostObject final : public DispatchObject {
public:
    HostObject() : DispatchObject(hostMembers) {}

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none{};
        if (parameters == nullptr)
            parameters = &none;
        if (result != nullptr)
            VariantInit(result);
        if (id == lastCallSecondsId || id == lastLibrarySecondsId)
            return ReadSeconds(id == lastCallSecondsId ? lastCallSeconds : lastLibrarySeconds, flags,
                               *parameters, result);
        for (const MethodEntry& method : methods)
            if (method.id == id)
                return Call(method, flags, *parameters, result, exception);
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    HRESULT Call(const MethodEntry& method, WORD flags, DISPPARAMS& parameters, VARIANT* result,
                 EXCEPINFO* exception) {
        if ((flags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters.cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (parameters.cArgs < method.fewestArguments || parameters.cArgs > method.mostArguments)
            return DISP_E_BADPARAMCOUNT;
        const Stopwatch whole;
        LibraryClock clock;
        HRESULT outcome = S_OK;
        try {
            _variant_t value = method.call(MethodArguments(parameters), clock);
            if (result != nullptr)
                *result = value.Detach();
        } catch (...) {
            outcome = HostKit::ReportCurrentException(exception, errorSource, method.name);
        }
        lastCallSeconds = Stopwatch::Seconds(whole.Ticks());
        lastLibrarySeconds = clock.Seconds();
        return outcome;
    }

    static HRESULT ReadSeconds(double seconds, WORD flags, const DISPPARAMS& parameters, VARIANT* result) {
        if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters.cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (parameters.cArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        if (result != nullptr) {
            result->vt = VT_R8;
            result->dblVal = seconds;
        }
        return S_OK;
    }

    std::atomic<double> lastCallSeconds{0};
    std::atomic<double> lastLibrarySeconds{0};
};

} // namespace

HRESULT CreateHostObject(IDispatch** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = new (std::nothrow) HostObject();
    return *object != nullptr ? S_OK : E_OUTOFMEMORY;
}
