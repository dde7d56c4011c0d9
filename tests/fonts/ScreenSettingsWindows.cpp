// The user's resolution (HKCU\Control Panel\Desktop\LogPixels) holds for the whole process: a test gets
// the resolution it asks for only when it is already the one in force.
#include "ScreenSettings.h"

#include <windows.h>

namespace FontTests {

namespace {

int CurrentPixelsPerInch() {
    const HDC context = CreateCompatibleDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(context, LOGPIXELSY);
    DeleteDC(context);
    return pixelsPerInch;
}

} // namespace

ScreenSettings::ScreenSettings() : originalPixelsPerInch_(CurrentPixelsPerInch()) {}

ScreenSettings::~ScreenSettings() = default;

bool ScreenSettings::UsePixelsPerInch(int pixelsPerInch) {
    return originalPixelsPerInch_ == pixelsPerInch;
}

bool ScreenSettings::RefuseDeviceContexts() {
    return false;
}

std::optional<std::size_t> ScreenSettings::LiveGdiObjects() const {
    return std::nullopt;
}

} // namespace FontTests
