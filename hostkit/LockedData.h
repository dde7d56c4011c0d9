// Keeps a SAFEARRAY's data locked for one scope.
#pragma once

#include <comdef.h>
#include <oleauto.h>

namespace HostKit {

class LockedData {
public:
    explicit LockedData(SAFEARRAY* array) : array(array) {
        const HRESULT result = SafeArrayAccessData(array, &data);
        if (FAILED(result))
            throw _com_error(result);
    }
    ~LockedData() { SafeArrayUnaccessData(array); }
    LockedData(const LockedData&) = delete;
    LockedData& operator=(const LockedData&) = delete;

    template <typename Element>
    Element* As() const noexcept {
        return static_cast<Element*>(data);
    }

private:
    SAFEARRAY* array;
    void* data = nullptr;
};

} // namespace HostKit
