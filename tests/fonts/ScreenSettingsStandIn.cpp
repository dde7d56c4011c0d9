#include "ScreenSettings.h"

#include <GdiStandIn.h>

namespace FontTests {

bool UseScreen(int pixelsPerInch, bool deviceContexts) {
    GdiStandIn::SetScreenPixelsPerInch(pixelsPerInch);
    GdiStandIn::RefuseDeviceContexts(!deviceContexts);
    return GdiStandIn::ScreenPixelsPerInch() == pixelsPerInch;
}

std::optional<std::size_t> LiveGdiObjects() {
    return GdiStandIn::LiveFontCount() + GdiStandIn::LiveDeviceContextCount();
}

} // namespace FontTests
