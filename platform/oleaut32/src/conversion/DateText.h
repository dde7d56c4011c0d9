// Dates (days since 30 December 1899, the fraction being the time of day) and their en-US text.
#pragma once

#include <oleauto.h>

#include <string>
#include <string_view>

namespace oleaut32 {

// Within the years 100 to 9999. NaN passes: measured, a NaN converts to VT_DATE unchanged.
bool isDateInRange(double value);

// "M/D/YYYY h:mm:ss AM|PM"; the date alone at midnight, the time alone on day 0. E_INVALIDARG out of
// the years 100 to 9999.
HRESULT formatDate(DATE value, std::u16string& text);

// "M/D/Y", "M/D" (this year), "M Y", "Y/M/D" and "h:mm[:ss]" (":" or "." between) with "AM"/"PM", in
// any combination; two-digit years are 1930 to 2029. DISP_E_TYPEMISMATCH for anything else.
HRESULT parseDate(std::u16string_view text, DATE& value);

} // namespace oleaut32
