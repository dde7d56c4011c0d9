// Test hooks of the gdi32 stand-in: the settings a real system takes from its display and its user,
// and a count that shows whether callers deleted what they created. Not part of <wingdi.h>.
#pragma once

#include "windef.h"

#include <cstddef>

namespace GdiStandIn {

// The resolution GetDeviceCaps reports for LOGPIXELSX and LOGPIXELSY; 96 until changed. Values below 1
// are ignored: no real screen reports them.
void SetScreenPixelsPerInch(int pixelsPerInch);
int ScreenPixelsPerInch();

// While refused, CreateCompatibleDC returns NULL, as it does when the system is out of resources.
void RefuseDeviceContexts(bool refuse);

// Fonts and device contexts created and not yet deleted.
std::size_t LiveFontCount();
std::size_t LiveDeviceContextCount();

} // namespace GdiStandIn
