#include <olectl.h>
#include <oleauto.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <string>

namespace {

FONTDESC Description(const OLECHAR* name, LONGLONG sizeInCurrencyUnits) {
    FONTDESC description{};
    description.cbSizeofstruct = sizeof(FONTDESC);
    description.lpstrName = const_cast<LPOLESTR>(name);
    description.cySize.int64 = sizeInCurrencyUnits;
    description.sWeight = FW_NORMAL;
    description.sCharset = ANSI_CHARSET;
    return description;
}

IFont* CreateFont(FONTDESC description) {
    void* object = nullptr;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFont, &object), S_OK);
    return static_cast<IFont*>(object);
}

LOGFONTW LogicalFontOf(IFont* font) {
    HFONT handle = nullptr;
    EXPECT_EQ(font->get_hFont(&handle), S_OK);
    LOGFONTW logicalFont{};
    EXPECT_EQ(GetObjectW(handle, sizeof(logicalFont), &logicalFont), 92);
    return logicalFont;
}

TEST(FontObject, RealizedFontFollowsTheDescriptionAndTheScreen) {
    struct Row {
        const char* name;
        const OLECHAR* face;
        LONGLONG size;
        int pixelsPerInch;
        SHORT weight;
        BOOL italic;
        SHORT charset;
        LONG height;
        std::u16string realizedFace;
    };
    const Row rows[] = {
        {"12 pt at 96", u"Arial", 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u"Arial"},
        {"9.75 pt at 96", u"Arial", 97500, 96, FW_BOLD, TRUE, DEFAULT_CHARSET, -13, u"Arial"},
        {"12 pt at 120", u"Arial", 120000, 120, 600, FALSE, 204, -20, u"Arial"},
        {"half a pixel rounds up", u"Arial", 33750, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -5, u"Arial"},
        {"no size", u"Arial", 0, 96, FW_NORMAL, FALSE, ANSI_CHARSET, 0, u"Arial"},
        {"face cut to 31 characters", u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh", 120000, 96, FW_NORMAL, FALSE,
         ANSI_CHARSET, -16, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"},
        {"no face", nullptr, 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GdiStandIn::SetScreenPixelsPerInch(row.pixelsPerInch);
        FONTDESC description = Description(row.face, row.size);
        description.sWeight = row.weight;
        description.fItalic = row.italic;
        description.sCharset = row.charset;
        IFont* font = CreateFont(description);
        ASSERT_NE(font, nullptr);
        const LOGFONTW logicalFont = LogicalFontOf(font);
        EXPECT_EQ(logicalFont.lfHeight, row.height);
        EXPECT_EQ(logicalFont.lfOrientation, 0);
        EXPECT_EQ(logicalFont.lfEscapement, 0);
        EXPECT_EQ(logicalFont.lfWeight, row.weight);
        EXPECT_EQ(logicalFont.lfItalic != 0, row.italic != FALSE);
        EXPECT_EQ(logicalFont.lfCharSet, row.charset);
        EXPECT_EQ(std::u16string(logicalFont.lfFaceName), row.realizedFace);
        font->Release();
        GdiStandIn::SetScreenPixelsPerInch(96);
    }
}

TEST(FontObject, AnswersItsInterfacesWithOneIdentity) {
    const FONTDESC description = Description(u"Arial", 120000);
    IFont* font = CreateFont(description);
    ASSERT_NE(font, nullptr);
    void* identity = nullptr;
    ASSERT_EQ(font->QueryInterface(IID_IUnknown, &identity), S_OK);
    const GUID otherInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    struct Row {
        const char* name;
        const IID& riid;
        HRESULT result;
    };
    const Row rows[] = {
        {"IUnknown", IID_IUnknown, S_OK},
        {"IDispatch", IID_IDispatch, S_OK},
        {"IFont", IID_IFont, S_OK},
        {"IFontDisp", IID_IFontDisp, S_OK},
        {"other", otherInterface, E_NOINTERFACE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        void* object = &identity;
        EXPECT_EQ(font->QueryInterface(row.riid, &object), row.result);
        if (row.result != S_OK) {
            EXPECT_EQ(object, nullptr);
            continue;
        }
        void* itsIdentity = nullptr;
        static_cast<IUnknown*>(object)->QueryInterface(IID_IUnknown, &itsIdentity);
        EXPECT_EQ(itsIdentity, identity);
        static_cast<IUnknown*>(itsIdentity)->Release();
        static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(font->QueryInterface(IID_IFont, nullptr), E_POINTER);
    static_cast<IUnknown*>(identity)->Release();
    EXPECT_EQ(font->Release(), 0u);
}

TEST(FontObject, CreationRefusesWhatItCannotGive) {
    FONTDESC description = Description(u"Arial", 120000);
    const GUID otherInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    void* object = &description;
    EXPECT_EQ(OleCreateFontIndirect(&description, otherInterface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    object = &description;
    EXPECT_EQ(OleCreateFontIndirect(nullptr, IID_IFont, &object), E_POINTER);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFont, nullptr), E_POINTER);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

TEST(FontObject, OwnsItsFontUntilReleasedOrChanged) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    IFont* font = CreateFont(Description(u"Arial", 120000));
    ASSERT_NE(font, nullptr);
    HFONT first = nullptr;
    HFONT again = nullptr;
    font->get_hFont(&first);
    font->get_hFont(&again);
    EXPECT_EQ(again, first) << "one font while nothing changes";

    // A change realizes a new font; the old one goes at once unless held.
    EXPECT_EQ(font->AddRefHfont(first), S_OK);
    CY larger;
    larger.int64 = 240000;
    EXPECT_EQ(font->put_Size(larger), S_OK);
    const LOGFONTW changed = LogicalFontOf(font);
    EXPECT_EQ(changed.lfHeight, -32);
    EXPECT_EQ(GetObjectW(first, sizeof(LOGFONTW), nullptr), 92) << "a held font survives the change";
    EXPECT_EQ(font->ReleaseHfont(first), S_OK);
    EXPECT_EQ(GetObjectW(first, sizeof(LOGFONTW), nullptr), 0);
    EXPECT_EQ(font->ReleaseHfont(first), E_INVALIDARG);
    HFONT second = nullptr;
    font->get_hFont(&second);
    EXPECT_EQ(font->put_Bold(TRUE), S_OK);
    EXPECT_EQ(GetObjectW(second, sizeof(LOGFONTW), nullptr), 0);
    EXPECT_EQ(LogicalFontOf(font).lfWeight, FW_BOLD);

    EXPECT_EQ(font->AddRef(), 2u);
    EXPECT_EQ(font->Release(), 1u);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

TEST(FontObject, ClonesCompareEqualUntilOneChanges) {
    IFont* font = CreateFont(Description(u"Arial", 120000));
    ASSERT_NE(font, nullptr);
    IFont* copy = nullptr;
    ASSERT_EQ(font->Clone(&copy), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(copy->get_Name(&name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Arial");
    SysFreeString(name);

    EXPECT_EQ(copy->put_Italic(TRUE), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_FALSE);
    EXPECT_EQ(copy->put_Italic(FALSE), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_OK);
    BSTR otherName = SysAllocString(u"Courier New");
    EXPECT_EQ(copy->put_Name(otherName), S_OK);
    SysFreeString(otherName);
    EXPECT_EQ(font->IsEqual(copy), S_FALSE);
    EXPECT_EQ(font->IsEqual(nullptr), E_POINTER);
    EXPECT_EQ(copy->put_Name(nullptr), CTL_E_INVALIDPROPERTYVALUE);
    copy->Release();
    font->Release();
}

} // namespace
