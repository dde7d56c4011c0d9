#include <WindowsUtils.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include "ScreenSettings.h"
#include "TestFontObject.h"
#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <climits>
#include <utility>
#include <vector>

namespace {

using FontTests::ScreenSettings;
using FontTests::TestFontObject;
using TestSupport::ExpectUnlocked;
using zfont::FontParams;

const WideString arial = OLESTR("Arial");

LOGFONTW LogicalFont(LONG height, LONG orientation = 0, LONG weight = FW_NORMAL, BYTE italic = FALSE,
                     LONG escapement = 0) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = italic;
    std::copy(arial.begin(), arial.end(), font.lfFaceName);
    return font;
}

// A borrowed VT_DISPATCH value: it takes no reference and is never cleared.
VARIANT DispatchValue(IDispatch* object) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = object;
    return value;
}

// VT_ARRAY|VT_DISPATCH holding a reference to each object (null elements stay null).
_variant_t DispatchArray(const std::vector<IDispatch*>& objects, LONG lowerBound = 0) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_DISPATCH, lowerBound, static_cast<ULONG>(objects.size()));
    for (LONG index = 0; index < static_cast<LONG>(objects.size()); ++index) {
        LONG position = lowerBound + index;
        SafeArrayPutElement(array, &position, objects[static_cast<size_t>(index)]);
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_DISPATCH;
    value.parray = array;
    return _variant_t(value, false);
}

// One of the platform's font objects, released with the owner.
class PlatformFont {
public:
    PlatformFont(LONGLONG sizeInCurrencyUnits, SHORT weight, BOOL italic) {
        FONTDESC description{};
        description.cbSizeofstruct = sizeof(FONTDESC);
        description.lpstrName = const_cast<LPOLESTR>(arial.c_str());
        description.cySize.int64 = sizeInCurrencyUnits;
        description.sWeight = weight;
        description.sCharset = ANSI_CHARSET;
        description.fItalic = italic;
        void* object = nullptr;
        EXPECT_EQ(OleCreateFontIndirect(&description, IID_IDispatch, &object), S_OK);
        object_ = static_cast<IDispatch*>(object);
    }
    ~PlatformFont() {
        if (object_ != nullptr)
            object_->Release();
    }
    PlatformFont(const PlatformFont&) = delete;
    PlatformFont& operator=(const PlatformFont&) = delete;

    IDispatch* dispatch() const { return object_; }
    ULONG references() const {
        object_->AddRef();
        return object_->Release();
    }

private:
    IDispatch* object_ = nullptr;
};

// A record the caller already had: every call must leave it first and unchanged.
const FontParams existing{OLESTR("Existing"), 1.0, 2.0, 3.0, 4.0, true, true};

void ExpectExistingFirst(const std::vector<FontParams>& fonts) {
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(fonts[0].faceName, existing.faceName);
    EXPECT_EQ(fonts[0].size, existing.size);
    EXPECT_EQ(fonts[0].secondFactor, existing.secondFactor);
}

std::vector<double> SizesAfterExisting(const std::vector<FontParams>& fonts) {
    std::vector<double> sizes;
    for (size_t index = 1; index < fonts.size(); ++index)
        sizes.push_back(fonts[index].size);
    return sizes;
}

TEST(FontParams, LogicalFontFieldsBecomeRecordFields) {
    struct Row {
        const char* name;
        LOGFONTW font;
        int pixelsPerInch;
        double size;
        double angle;
        bool bold;
        bool italic;
    };
    const Row rows[] = {
        {"character height 16 at 96", LogicalFont(-16), 96, 12.0, 0.0, false, false},
        {"character height 13 at 96", LogicalFont(-13), 96, 9.75, 0.0, false, false},
        {"the quotient stays a float", LogicalFont(-13), 120, 7.800000190734863, 0.0, false, false},
        {"cell height", LogicalFont(16), 96, -12.0, 0.0, false, false},
        {"orientation 90 degrees", LogicalFont(-16, 900), 96, 12.0, -1.5707963267948966, false, false},
        {"orientation -45 degrees", LogicalFont(-16, -450), 96, 12.0, 0.7853981633974483, false, false},
        {"negation wraps", LogicalFont(-16, INT_MIN), 96, 12.0, -3748066.029033894, false, false},
        {"escapement is not used", LogicalFont(-16, 0, FW_NORMAL, FALSE, 900), 96, 12.0, 0.0, false, false},
        {"weight 600", LogicalFont(-16, 0, 600), 96, 12.0, 0.0, false, false},
        {"weight 700", LogicalFont(-16, 0, 700), 96, 12.0, 0.0, true, false},
        {"weight 1000", LogicalFont(-16, 0, 1000), 96, 12.0, 0.0, true, false},
        {"italic 1", LogicalFont(-16, 0, FW_NORMAL, 1), 96, 12.0, 0.0, false, true},
        {"italic 255", LogicalFont(-16, 0, FW_NORMAL, 255), 96, 12.0, 0.0, false, true},
    };
    int rowsRun = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScreenSettings screen;
        if (!screen.UsePixelsPerInch(row.pixelsPerInch))
            continue;
        TestFontObject font(row.font);
        const std::optional<std::size_t> gdiObjectsBefore = screen.LiveGdiObjects();
        std::vector<FontParams> fonts{existing};

        EXPECT_TRUE(CopyVariantToFontParamsVector(DispatchValue(font.dispatch()), fonts));

        ExpectExistingFirst(fonts);
        ASSERT_EQ(fonts.size(), 2u);
        const FontParams& record = fonts[1];
        EXPECT_EQ(record.faceName, arial);
        EXPECT_EQ(record.size, row.size);
        EXPECT_EQ(record.firstFactor, 1.0);
        EXPECT_EQ(record.angle, row.angle);
        EXPECT_EQ(record.secondFactor, 1.0);
        EXPECT_EQ(record.bold, row.bold);
        EXPECT_EQ(record.italic, row.italic);
        EXPECT_EQ(font.references(), 1);
        EXPECT_EQ(screen.LiveGdiObjects(), gdiObjectsBefore) << "device context left behind";
        ++rowsRun;
    }
    EXPECT_GT(rowsRun, 0);
}

TEST(FontParams, PlatformFontsGiveTheSizeTheyWereMadeWith) {
    struct Row {
        LONGLONG sizeInCurrencyUnits;
        int pixelsPerInch;
        SHORT weight;
        BOOL italic;
        double size;
    };
    const Row rows[] = {
        {120000, 96, FW_BOLD, FALSE, 12.0},
        {97500, 96, FW_NORMAL, TRUE, 9.75},
        {120000, 120, FW_SEMIBOLD, FALSE, 12.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        ScreenSettings screen;
        if (!screen.UsePixelsPerInch(row.pixelsPerInch))
            continue;
        PlatformFont font(row.sizeInCurrencyUnits, row.weight, row.italic);
        const ULONG referencesBefore = font.references();
        std::vector<FontParams> fonts{existing};

        EXPECT_TRUE(CopyVariantToFontParamsVector(DispatchValue(font.dispatch()), fonts));

        ExpectExistingFirst(fonts);
        ASSERT_EQ(fonts.size(), 2u);
        EXPECT_EQ(fonts[1].faceName, arial);
        EXPECT_EQ(fonts[1].size, row.size);
        EXPECT_EQ(fonts[1].angle, 0.0);
        EXPECT_EQ(fonts[1].bold, row.weight >= FW_BOLD);
        EXPECT_EQ(fonts[1].italic, row.italic != FALSE);
        EXPECT_EQ(font.references(), referencesBefore);
    }
}

TEST(FontParams, ArraysGiveOneRecordPerFontInIndexOrder) {
    ScreenSettings screen;
    if (!screen.UsePixelsPerInch(96))
        GTEST_SKIP() << "the sizes below need 96 pixels per inch";
    PlatformFont twelve(120000, FW_NORMAL, FALSE);
    PlatformFont nineAndThreeQuarters(97500, FW_NORMAL, FALSE);
    CountingObject notAFont;
    TestFontObject noHandle(nullptr, S_OK);
    const std::vector<IDispatch*> elements = {twelve.dispatch(), nullptr, &notAFont, noHandle.dispatch(),
                                              nineAndThreeQuarters.dispatch()};
    // With a lower bound above 0 the count is cElements minus the bound, read from the first element.
    const std::pair<LONG, std::vector<double>> rows[] = {
        {0, {12.0, 9.75}},
        {1, {12.0}},
        {4, {12.0}},
    };
    for (const auto& [lowerBound, sizes] : rows) {
        SCOPED_TRACE(lowerBound);
        const _variant_t value = DispatchArray(elements, lowerBound);
        const ULONG twelveBefore = twelve.references();
        const ULONG nineBefore = nineAndThreeQuarters.references();
        const LONG notAFontBefore = notAFont.references();
        std::vector<FontParams> fonts{existing};

        EXPECT_TRUE(CopyVariantToFontParamsVector(value, fonts));

        ExpectUnlocked(value);
        ExpectExistingFirst(fonts);
        EXPECT_EQ(SizesAfterExisting(fonts), sizes);
        EXPECT_EQ(twelve.references(), twelveBefore);
        EXPECT_EQ(nineAndThreeQuarters.references(), nineBefore);
        EXPECT_EQ(notAFont.references(), notAFontBefore);
        EXPECT_EQ(noHandle.references(), 2) << "the array's reference and the owner's";
    }
}

TEST(FontParams, SingleObjectsThatAreNoReadableFontAddNothing) {
    const LOGFONTW logicalFont = LogicalFont(-16);
    const HFONT deleted = CreateFontIndirectW(&logicalFont);
    DeleteObject(deleted);
    const HFONT readable = CreateFontIndirectW(&logicalFont);
    CountingObject notAFont;
    TestFontObject noHandle(nullptr, S_OK);
    TestFontObject deletedHandle(deleted, S_OK);
    // Only the handle counts: a failing get_hFont that still gives one makes a record.
    TestFontObject failingButReadable(readable, E_FAIL);
    struct Row {
        const char* name;
        IDispatch* object;
        size_t records;
    };
    const Row rows[] = {
        {"null", nullptr, 0},
        {"no IFont", &notAFont, 0},
        {"null handle", noHandle.dispatch(), 0},
        {"deleted handle", deletedHandle.dispatch(), 0},
        {"failing get_hFont", failingButReadable.dispatch(), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<FontParams> fonts{existing};
        EXPECT_TRUE(CopyVariantToFontParamsVector(DispatchValue(row.object), fonts));
        ExpectExistingFirst(fonts);
        EXPECT_EQ(fonts.size(), 1 + row.records);
    }
    EXPECT_EQ(notAFont.references(), 1);
    EXPECT_EQ(noHandle.references(), 1);
    EXPECT_EQ(deletedHandle.references(), 1);
    EXPECT_EQ(failingButReadable.references(), 1);
    DeleteObject(readable);
}

TEST(FontParams, OtherFormsAreRefusedAndAppendNothing) {
    TestFontObject font(LogicalFont(-16));
    IDispatch* reference = font.dispatch();
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_DISPATCH;
    byReference.ppdispVal = &reference;
    VARIANT nullArray;
    VariantInit(&nullArray);
    nullArray.vt = VT_ARRAY | VT_DISPATCH;
    nullArray.parray = nullptr;
    const std::pair<const char*, _variant_t> rows[] = {
        {"VT_EMPTY", _variant_t()},
        {"VT_UNKNOWN", _variant_t(static_cast<IUnknown*>(font.dispatch()))},
        {"VT_BYREF|VT_DISPATCH", _variant_t(byReference)},
        {"VT_ARRAY|VT_VARIANT", TestSupport::VariantArray({_variant_t(font.dispatch())})},
        {"two dimensions", TestSupport::TwoDimensionalArray(VT_DISPATCH, 1, 1)},
        {"null array", _variant_t(nullArray, false)},
        {"no elements", DispatchArray({})},
        {"count 0 by the lower bound", DispatchArray({font.dispatch()}, 1)},
    };
    for (const auto& [name, value] : rows) {
        SCOPED_TRACE(name);
        std::vector<FontParams> fonts{existing};
        EXPECT_FALSE(CopyVariantToFontParamsVector(value, fonts));
        ExpectUnlocked(value);
        ExpectExistingFirst(fonts);
        EXPECT_EQ(fonts.size(), 1u);
    }
}

TEST(FontParams, ArraysReportWhetherTheirDataWasReleased) {
    TestFontObject font(LogicalFont(-16));
    const _variant_t value = DispatchArray({font.dispatch()});
    // An element that takes the array's lock away makes the release fail; its record stays.
    font.whenQueried = [&value] { SafeArrayUnlock(value.parray); };
    std::vector<FontParams> fonts;

    EXPECT_FALSE(CopyVariantToFontParamsVector(value, fonts));

    ExpectUnlocked(value);
    EXPECT_EQ(fonts.size(), 1u);
}

TEST(FontParams, WithoutDeviceContextsTheScreenCountsAsNinetySixPixelsPerInch) {
    ScreenSettings screen;
    if (!screen.UsePixelsPerInch(120) || !screen.RefuseDeviceContexts())
        GTEST_SKIP() << "the platform's device contexts cannot be refused";
    TestFontObject font(LogicalFont(-16));
    std::vector<FontParams> fonts;
    EXPECT_TRUE(CopyVariantToFontParamsVector(DispatchValue(font.dispatch()), fonts));
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].size, 12.0);
}

} // namespace
