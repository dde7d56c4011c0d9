// The screen the font tests run against. The stand-ins let a test set it; on Windows it is the user's
// setting, fixed for the process, so a test asks for what it needs, skips what it cannot get, and sets
// whatever it depends on itself. One implementation per platform: ScreenSettings<Platform>.cpp.
#pragma once

#include <cstddef>
#include <optional>

namespace FontTests {

// Whether LOGPIXELSY now reports `pixelsPerInch` and memory device contexts can be created exactly when
// `deviceContexts` says so.
bool UseScreen(int pixelsPerInch, bool deviceContexts = true);

// Fonts and device contexts alive, where the platform can count them.
std::optional<std::size_t> LiveGdiObjects();

} // namespace FontTests
