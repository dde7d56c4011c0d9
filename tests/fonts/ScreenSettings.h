// The screen the font tests run against. The stand-ins let a test change it; on Windows it is the
// user's setting, fixed for the process, so a test asks for what it needs and skips what it cannot get.
// One implementation per platform: ScreenSettingsStandIn.cpp, ScreenSettingsWindows.cpp.
#pragma once

#include <cstddef>
#include <optional>

namespace FontTests {

// Puts back what it changed when it goes.
class ScreenSettings {
public:
    ScreenSettings();
    ~ScreenSettings();
    ScreenSettings(const ScreenSettings&) = delete;
    ScreenSettings& operator=(const ScreenSettings&) = delete;

    // Whether LOGPIXELSY now reports `pixelsPerInch`.
    bool UsePixelsPerInch(int pixelsPerInch);
    // Whether memory device contexts can no longer be created.
    bool RefuseDeviceContexts();
    // Fonts and device contexts alive, where the platform can count them.
    std::optional<std::size_t> LiveGdiObjects() const;

private:
    int originalPixelsPerInch_;
};

} // namespace FontTests
