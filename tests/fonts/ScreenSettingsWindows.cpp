// The user's resolution (HKCU\Control Panel\Desktop\LogPixels) holds for the whole process: a test gets
// the resolution it asks for only when it is already the one in force, and always gets device contexts.
#include "ScreenSettings.h"

#include <windows.h>

namespace FontTests {

bool UseScreen(int pixelsPerInch, bool deviceContexts) {
    const HDC context = CreateCompatibleDC(nullptr);
    const int current = GetDeviceCaps(context, LOGPIXELSY);
    DeleteDC(context);
    return deviceContexts && current == pixelsPerInch;
}

std::optional<std::size_t> LiveGdiObjects() {
    return std::nullopt;
}

} // namespace FontTests
