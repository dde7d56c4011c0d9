#include "geometry/FlatPointLayout.h"

namespace WindowsUtils {

const AcceptedForm* MatchingForm(const VARIANT& value, std::span<const AcceptedForm> forms) noexcept {
    for (const AcceptedForm& form : forms)
        if (value.vt == static_cast<VARTYPE>(VT_ARRAY | form.element))
            return &form;
    return nullptr;
}

CheckedForm CheckFlatArray(const VARIANT& value, std::span<const AcceptedForm> forms,
                           LONG groupSize) noexcept {
    const AcceptedForm* form = MatchingForm(value, forms);
    if (form == nullptr)
        return {};
    const LONG size = CheckedArraySize(value, form->element, form->size);
    if (size == 0 || size % groupSize != 0)
        return {};
    return {form, size};
}

} // namespace WindowsUtils
