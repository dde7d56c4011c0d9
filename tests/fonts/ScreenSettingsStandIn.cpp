#include "ScreenSettings.h"

#include <GdiStandIn.h>

namespace FontTests {

ScreenSettings::ScreenSettings() : originalPixelsPerInch_(GdiStandIn::ScreenPixelsPerInch()) {}

ScreenSettings::~ScreenSettings() {
    GdiStandIn::SetScreenPixelsPerInch(originalPixelsPerInch_);
    GdiStandIn::RefuseDeviceContexts(false);
}

bool ScreenSettings::UsePixelsPerInch(int pixelsPerInch) {
    GdiStandIn::SetScreenPixelsPerInch(pixelsPerInch);
    return GdiStandIn::ScreenPixelsPerInch() == pixelsPerInch;
}

bool ScreenSettings::RefuseDeviceContexts() {
    GdiStandIn::RefuseDeviceContexts(true);
    return true;
}

std::optional<std::size_t> ScreenSettings::LiveGdiObjects() const {
    return GdiStandIn::LiveFontCount() + GdiStandIn::LiveDeviceContextCount();
}

} // namespace FontTests
