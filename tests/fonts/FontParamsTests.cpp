#include <WindowsUtils.h>

#include <gtest/gtest.h>

#include "ScreenSettings.h"
#include "TestFontObject.h"
#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <climits>
#include <tuple>
#include <vector>

namespace {

using FontTests::TestFontObject;
using zfont::FontParams;

const WideString arial = OLESTR("Arial");
// A record the caller already had: every call leaves it first and unchanged.
const FontParams existing{OLESTR("Existing"), 1.0, 2.0, 3.0, 4.0, true, true};

LOGFONTW LogFont(LONG height, LONG orientation = 0, LONG weight = FW_NORMAL, BYTE italic = FALSE) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = italic;
    std::copy(arial.begin(), arial.end(), font.lfFaceName);
    return font;
}

auto Fields(const FontParams& font) {
    return std::tie(font.faceName, font.size, font.firstFactor, font.angle, font.secondFactor, font.italic,
                    font.bold);
}

// The records a call appends after `existing`.
std::vector<FontParams> Appended(const VARIANT& value, bool result) {
    std::vector<FontParams> fonts{existing};
    EXPECT_EQ(CopyVariantToFontParamsVector(value, fonts), result);
    TestSupport::ExpectUnlocked(value);
    EXPECT_EQ(Fields(fonts.at(0)), Fields(existing));
    return {fonts.begin() + 1, fonts.end()};
}

// VT_ARRAY|VT_DISPATCH holding a reference to each object.
_variant_t Dispatches(const std::vector<IDispatch*>& objects, LONG lowerBound = 0) {
    for (IDispatch* object : objects)
        if (object != nullptr)
            object->AddRef();
    return TestSupport::OwnedArray(VT_DISPATCH, objects, lowerBound);
}

TEST(FontParams, LogicalFontFieldsBecomeRecordFields) {
    struct Row {
        LOGFONTW font;
        int pixelsPerInch;
        bool deviceContexts;
        FontParams record;
    };
    const Row rows[] = {
        {LogFont(-16, 0, 600), 96, true, {arial, 12.0, 1.0, 0.0, 1.0, false, false}},
        {LogFont(-13, 900, 700, 255), 96, true, {arial, 9.75, 1.0, -1.5707963267948966, 1.0, true, true}},
        // A cell height gives a negative size; the negation of the orientation wraps.
        {LogFont(16, INT_MIN), 96, true, {arial, -12.0, 1.0, -3748066.029033894, 1.0, false, false}},
        // The quotient stays a float; without a device context the screen counts as 96 pixels per inch.
        {LogFont(-13), 120, true, {arial, 7.800000190734863, 1.0, 0.0, 1.0, false, false}},
        {LogFont(-16), 120, false, {arial, 12.0, 1.0, 0.0, 1.0, false, false}},
    };
    int rowsRun = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.record.size);
        if (!FontTests::UseScreen(row.pixelsPerInch, row.deviceContexts))
            continue;
        TestFontObject font(row.font);
        const std::optional<std::size_t> gdiObjectsBefore = FontTests::LiveGdiObjects();
        const std::vector<FontParams> fonts = Appended(_variant_t(font.dispatch()), true);
        ASSERT_EQ(fonts.size(), 1u);
        EXPECT_EQ(Fields(fonts[0]), Fields(row.record));
        EXPECT_EQ(font.references(), 1);
        EXPECT_EQ(FontTests::LiveGdiObjects(), gdiObjectsBefore) << "device context left behind";
        ++rowsRun;
    }
    EXPECT_GT(rowsRun, 0);
    FontTests::UseScreen(96);
}

// Nulls, non-fonts and handles that cannot be read add nothing; only the handle counts, not the HRESULT
// of get_hFont. From lower bound 1 the count is cElements minus 1, read from the first element.
TEST(FontParams, ArraysGiveOneRecordPerReadableFontInIndexOrder) {
    if (!FontTests::UseScreen(96))
        GTEST_SKIP() << "the sizes below need 96 pixels per inch";
    const LOGFONTW logicalFont = LogFont(-16);
    const HFONT deleted = CreateFontIndirectW(&logicalFont), readable = CreateFontIndirectW(&logicalFont);
    DeleteObject(deleted);
    TestFontObject twelve(logicalFont), smaller(LogFont(-13)), noHandle(nullptr, S_OK),
        deletedHandle(deleted, S_OK), failing(readable, E_FAIL);
    CountingObject notAFont;
    const std::vector<IDispatch*> objects = {
        twelve.dispatch(),  nullptr,           &notAFont, noHandle.dispatch(), deletedHandle.dispatch(),
        failing.dispatch(), smaller.dispatch()};
    for (const auto& [lowerBound, sizes] : {std::pair{0, std::vector<double>{12, 12, 9.75}}, {1, {12, 12}}}) {
        SCOPED_TRACE(lowerBound);
        std::vector<double> appended;
        for (const FontParams& font : Appended(Dispatches(objects, lowerBound), true))
            appended.push_back(font.size);
        EXPECT_EQ(appended, sizes);
    }
    for (LONG references : {twelve.references(), smaller.references(), notAFont.references(),
                            noHandle.references(), deletedHandle.references(), failing.references()})
        EXPECT_EQ(references, 1);
    DeleteObject(readable);
}

TEST(FontParams, OtherFormsAreRefusedAndANullObjectIsSkipped) {
    TestFontObject font(LogFont(-16));
    IDispatch* reference = font.dispatch();
    VARIANT byReference{}, noArray{};
    byReference.vt = VT_BYREF | VT_DISPATCH;
    byReference.ppdispVal = &reference;
    noArray.vt = VT_ARRAY | VT_DISPATCH;
    const std::tuple<const char*, _variant_t, bool> rows[] = {
        {"VT_DISPATCH null", _variant_t(static_cast<IDispatch*>(nullptr)), true},
        {"VT_UNKNOWN", _variant_t(static_cast<IUnknown*>(font.dispatch())), false},
        {"VT_BYREF|VT_DISPATCH", _variant_t(byReference), false},
        {"VT_ARRAY|VT_VARIANT", TestSupport::VariantArray({_variant_t(font.dispatch())}), false},
        {"two dimensions", TestSupport::TwoDimensionalArray(VT_DISPATCH, 1, 1), false},
        {"no array", _variant_t(noArray, false), false},
    };
    for (const auto& [name, value, result] : rows) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Appended(value, result).empty());
    }
}

TEST(FontParams, ArraysReportWhetherTheirDataWasReleased) {
    TestFontObject font(LogFont(-16));
    const _variant_t value = Dispatches({font.dispatch()});
    // An element that takes the array's lock away makes the release fail; its record stays.
    font.whenQueried = [&value] { SafeArrayUnlock(value.parray); };
    EXPECT_EQ(Appended(value, false).size(), 1u);
}

} // namespace
