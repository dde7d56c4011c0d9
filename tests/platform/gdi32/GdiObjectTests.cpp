#include <windows.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// Each kind of object is read and deleted only by its own functions, and deleted once. GetObjectW copies a
// font's LOGFONTW only into a buffer large enough for it, and without a buffer reports the size it needs;
// GetDeviceCaps answers for a device context only, and only the resolution, ignoring settings below 1.
TEST(GdiObjects, HandlesAreCheckedForTheirKind) {
    const auto live = [] {
        return std::tuple(GdiStandIn::LiveFontCount(), GdiStandIn::LiveDeviceContextCount());
    };
    const auto [fontsBefore, contextsBefore] = live();
    LOGFONTW original{};
    original.lfHeight = -16;
    std::memcpy(original.lfFaceName, u"Courier New", sizeof(u"Courier New"));
    const HFONT font = CreateFontIndirectW(&original), deleted = CreateFontIndirectW(&original);
    const HDC context = CreateCompatibleDC(nullptr), compatible = CreateCompatibleDC(context);
    EXPECT_EQ(live(), std::tuple(fontsBefore + 2, contextsBefore + 2));
    EXPECT_EQ((std::tuple<BOOL, BOOL, BOOL, BOOL, BOOL, HFONT, HDC>{
                  DeleteDC(reinterpret_cast<HDC>(deleted)), DeleteObject(context), DeleteObject(deleted),
                  DeleteObject(deleted), DeleteObject(nullptr), CreateFontIndirectW(nullptr),
                  CreateCompatibleDC(reinterpret_cast<HDC>(font))}),
              std::tuple(FALSE, FALSE, TRUE, FALSE, FALSE, nullptr, nullptr));
    // Handle, buffer size, whether a buffer is given, result.
    const std::tuple<HGDIOBJ, int, bool, int> rows[] = {
        {font, 92, true, 92},   {font, 200, true, 92},          {font, 91, true, 0},
        {font, 0, false, 92},   {deleted, 92, true, 0},         {context, 92, true, 0},
        {nullptr, 92, true, 0}, {HGDIOBJ(0x1234), 92, true, 0},
    };
    for (const auto& [object, bufferSize, withBuffer, result] : rows) {
        unsigned char buffer[200];
        std::memset(buffer, 0xCD, sizeof(buffer));
        EXPECT_EQ(GetObjectW(object, bufferSize, withBuffer ? buffer : nullptr), result)
            << object << ", " << bufferSize;
        EXPECT_EQ(std::tuple(std::memcmp(buffer, &original, withBuffer ? result : 0), buffer[result]),
                  std::tuple(0, 0xCD))
            << object << ", " << bufferSize << ": what was reported, and nothing past it, is written";
    }
    // Setting, context, capability, result.
    const std::tuple<int, HGDIOBJ, int, int> capabilities[] = {
        {0, context, LOGPIXELSY, 96},    {0, context, LOGPIXELSX, 96},   {120, compatible, LOGPIXELSY, 120},
        {144, context, LOGPIXELSX, 144}, {-96, context, LOGPIXELSY, 96}, {120, context, 8, 0},
        {120, font, LOGPIXELSY, 0},      {120, nullptr, LOGPIXELSY, 0},
    };
    for (const auto& [setting, device, capability, result] : capabilities) {
        GdiStandIn::SetScreenPixelsPerInch(setting);
        EXPECT_EQ(GetDeviceCaps(HDC(device), capability), result)
            << setting << ", " << device << ", " << capability;
        GdiStandIn::SetScreenPixelsPerInch(96);
    }
    EXPECT_EQ((std::tuple<BOOL, BOOL, BOOL, BOOL>{DeleteObject(font), DeleteDC(compatible), DeleteDC(context),
                                                  DeleteDC(context)}),
              std::tuple(TRUE, TRUE, TRUE, FALSE));
    EXPECT_EQ(live(), std::tuple(fontsBefore, contextsBefore));
}

} // namespace
