#include "FailingCalls.h"

#include <oleauto.h>

#include <dlfcn.h>

namespace {

struct Plan {
    bool armed = false;
    PlatformCall call{};
    int successes = 0;
    bool failed = false;
};

Plan plan;

bool FailureDue(PlatformCall call) {
    if (!plan.armed || plan.call != call)
        return false;
    if (plan.successes-- > 0)
        return false;
    plan.armed = false;
    plan.failed = true;
    return true;
}

// The platform's own function of that name.
template <class Function>
Function Platform(Function, const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

FailingCall::FailingCall(PlatformCall call, int successes) {
    plan = {true, call, successes, false};
}
FailingCall::~FailingCall() {
    plan = {};
}
bool FailingCall::Failed() const {
    return plan.failed;
}

extern "C" {

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (FailureDue(PlatformCall::SysAllocString))
        return nullptr;
    return Platform(&SysAllocString, "SysAllocString")(text);
}

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT dimensions, SAFEARRAYBOUND* bounds) {
    if (FailureDue(PlatformCall::SafeArrayCreate))
        return nullptr;
    return Platform(&SafeArrayCreate, "SafeArrayCreate")(vt, dimensions, bounds);
}

HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* element) {
    if (FailureDue(PlatformCall::SafeArrayPutElement))
        return E_OUTOFMEMORY;
    return Platform(&SafeArrayPutElement, "SafeArrayPutElement")(array, indices, element);
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (FailureDue(PlatformCall::SafeArrayAccessData))
        return E_UNEXPECTED;
    return Platform(&SafeArrayAccessData, "SafeArrayAccessData")(array, data);
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array) {
    const HRESULT result = Platform(&SafeArrayUnaccessData, "SafeArrayUnaccessData")(array);
    return FailureDue(PlatformCall::SafeArrayUnaccessData) ? E_UNEXPECTED : result;
}
}
