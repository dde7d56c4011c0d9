#include <windows.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

LOGFONTW SampleFont(LONG height) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfOrientation = 900;
    font.lfWeight = FW_BOLD;
    font.lfItalic = TRUE;
    std::memcpy(font.lfFaceName, u"Courier New", sizeof(u"Courier New"));
    return font;
}

TEST(GdiObjects, GetObjectWReadsWholeLogicalFontsOnly) {
    static_assert(sizeof(LOGFONTW) == 92);
    const LOGFONTW original = SampleFont(-16);
    const HFONT font = CreateFontIndirectW(&original);
    ASSERT_NE(font, nullptr);
    const HFONT deleted = CreateFontIndirectW(&original);
    ASSERT_TRUE(DeleteObject(deleted));
    const HDC context = CreateCompatibleDC(nullptr);
    struct Row {
        const char* name;
        HGDIOBJ object;
        int bufferSize;
        bool withBuffer;
        int result;
    };
    const Row rows[] = {
        {"exact buffer", font, 92, true, 92},
        {"larger buffer", font, 200, true, 92},
        {"one byte short", font, 91, true, 0},
        {"size asked without buffer", font, 0, false, 92},
        {"deleted font", deleted, 92, true, 0},
        {"device context", context, 92, true, 0},
        {"made-up handle", reinterpret_cast<HGDIOBJ>(0x1234), 92, true, 0},
        {"null handle", nullptr, 92, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        unsigned char buffer[200];
        std::memset(buffer, 0xCD, sizeof(buffer));
        EXPECT_EQ(GetObjectW(row.object, row.bufferSize, row.withBuffer ? buffer : nullptr), row.result);
        if (row.result != 0 && row.withBuffer) {
            EXPECT_EQ(std::memcmp(buffer, &original, sizeof(LOGFONTW)), 0);
        }
        EXPECT_EQ(buffer[row.result], 0xCD) << "written past what was reported";
    }
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(context));
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
}

TEST(GdiObjects, EachKindIsDeletedOnceAndByItsOwnFunction) {
    const LOGFONTW logicalFont = SampleFont(-16);
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    const std::size_t contextsBefore = GdiStandIn::LiveDeviceContextCount();
    const HFONT font = CreateFontIndirectW(&logicalFont);
    const HDC context = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore + 1);
    EXPECT_EQ(GdiStandIn::LiveDeviceContextCount(), contextsBefore + 1);

    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(font)));
    EXPECT_FALSE(DeleteObject(context));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(context));
    EXPECT_FALSE(DeleteDC(context));
    EXPECT_FALSE(DeleteObject(nullptr));

    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
    EXPECT_EQ(GdiStandIn::LiveDeviceContextCount(), contextsBefore);
}

TEST(GdiObjects, DeviceContextsReportTheScreenResolution) {
    const HDC context = CreateCompatibleDC(nullptr);
    ASSERT_NE(context, nullptr);
    const LOGFONTW logicalFont = SampleFont(-16);
    const HDC font = reinterpret_cast<HDC>(CreateFontIndirectW(&logicalFont));
    struct Row {
        const char* name;
        int setting;
        HDC context;
        int index;
        int result;
    };
    const Row rows[] = {
        {"default height", 0, context, LOGPIXELSY, 96},
        {"default width", 0, context, LOGPIXELSX, 96},
        {"changed height", 120, context, LOGPIXELSY, 120},
        {"changed width", 144, context, LOGPIXELSX, 144},
        {"zero is no resolution", 0, context, LOGPIXELSY, 96},
        {"negative is no resolution", -96, context, LOGPIXELSY, 96},
        {"another capability", 120, context, 8, 0},
        {"a font is no context", 120, font, LOGPIXELSY, 0},
        {"null context", 120, nullptr, LOGPIXELSY, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GdiStandIn::SetScreenPixelsPerInch(row.setting);
        EXPECT_EQ(GetDeviceCaps(row.context, row.index), row.result);
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
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
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
