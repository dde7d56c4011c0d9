#include <windows.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

namespace {

LOGFONTW SampleFont(LONG height) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfOrientation = 900;
    font.lfWeight = FW_BOLD;
    std::memcpy(font.lfFaceName, u"Courier New", sizeof(u"Courier New"));
    return font;
}

// Each kind of object is read and deleted only by its own functions, and deleted once.
TEST(GdiObjects, HandlesAreCheckedForTheirKind) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    const std::size_t contextsBefore = GdiStandIn::LiveDeviceContextCount();
    const LOGFONTW original = SampleFont(-16);
    const HFONT font = CreateFontIndirectW(&original);
    const HFONT deleted = CreateFontIndirectW(&original);
    const HDC context = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(font != nullptr && deleted != nullptr && context != nullptr);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore + 2);
    EXPECT_EQ(GdiStandIn::LiveDeviceContextCount(), contextsBefore + 1);
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(deleted)));
    EXPECT_FALSE(DeleteObject(context));
    EXPECT_TRUE(DeleteObject(deleted));
    EXPECT_FALSE(DeleteObject(deleted));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    // Handle, buffer size, whether a buffer is given, result.
    const std::tuple<HGDIOBJ, int, bool, int> rows[] = {
        {font, 92, true, 92},
        {font, 200, true, 92},
        {font, 91, true, 0},
        {font, 0, false, 92},
        {deleted, 92, true, 0},
        {context, 92, true, 0},
        {reinterpret_cast<HGDIOBJ>(0x1234), 92, true, 0},
        {nullptr, 92, true, 0},
    };
    for (const auto& [object, bufferSize, withBuffer, result] : rows) {
        SCOPED_TRACE(testing::Message() << object << ", " << bufferSize << " bytes");
        unsigned char buffer[200];
        std::memset(buffer, 0xCD, sizeof(buffer));
        EXPECT_EQ(GetObjectW(object, bufferSize, withBuffer ? buffer : nullptr), result);
        if (result != 0 && withBuffer) {
            EXPECT_EQ(std::memcmp(buffer, &original, sizeof(LOGFONTW)), 0);
        }
        EXPECT_EQ(buffer[result], 0xCD) << "written past what was reported";
    }
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(context));
    EXPECT_FALSE(DeleteDC(context));
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
    EXPECT_EQ(GdiStandIn::LiveDeviceContextCount(), contextsBefore);
}

// Only a device context answers, and only for the resolution; settings below 1 are ignored.
TEST(GdiObjects, DeviceContextsReportTheScreenResolution) {
    const HDC context = CreateCompatibleDC(nullptr);
    ASSERT_NE(context, nullptr);
    const LOGFONTW logicalFont = SampleFont(-16);
    const HDC font = reinterpret_cast<HDC>(CreateFontIndirectW(&logicalFont));
    // Setting, context, capability, result.
    const std::tuple<int, HDC, int, int> rows[] = {
        {0, context, LOGPIXELSY, 96},    {0, context, LOGPIXELSX, 96},   {120, context, LOGPIXELSY, 120},
        {144, context, LOGPIXELSX, 144}, {-96, context, LOGPIXELSY, 96}, {120, context, 8, 0},
        {120, font, LOGPIXELSY, 0},      {120, nullptr, LOGPIXELSY, 0},
    };
    for (const auto& [setting, device, capability, result] : rows) {
        GdiStandIn::SetScreenPixelsPerInch(setting);
        EXPECT_EQ(GetDeviceCaps(device, capability), result)
            << setting << ", " << device << ", " << capability;
        GdiStandIn::SetScreenPixelsPerInch(96);
    }
    const HDC compatible = CreateCompatibleDC(context);
    EXPECT_NE(compatible, nullptr);
    EXPECT_EQ(CreateCompatibleDC(font), nullptr);
    GdiStandIn::RefuseDeviceContexts(true);
    EXPECT_EQ(CreateCompatibleDC(nullptr), nullptr);
    GdiStandIn::RefuseDeviceContexts(false);
    DeleteDC(compatible);
    DeleteDC(context);
    DeleteObject(font);
}

TEST(GdiObjects, ThreadsShareTheHandleTable) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([thread, &mismatches] {
            for (LONG round = 0; round < 500; ++round) {
                const LOGFONTW written = SampleFont(-(thread * 1000 + round));
                const HFONT font = CreateFontIndirectW(&written);
                LOGFONTW read{};
                if (GetObjectW(font, sizeof(read), &read) != sizeof(read) ||
                    read.lfHeight != written.lfHeight || !DeleteObject(font))
                    ++mismatches[static_cast<size_t>(thread)];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

} // namespace
