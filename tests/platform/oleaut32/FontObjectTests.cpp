#include <olectl.h>
#include <oleauto.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

const GUID otherInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

FONTDESC Description(const OLECHAR* name, LONGLONG size, SHORT weight = FW_NORMAL, BOOL italic = FALSE,
                     SHORT charset = ANSI_CHARSET) {
    return {
        sizeof(FONTDESC), const_cast<LPOLESTR>(name), {.int64 = size}, weight, charset, italic, FALSE, FALSE};
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

bool IsLive(HFONT font) {
    return GetObjectW(font, sizeof(LOGFONTW), nullptr) != 0;
}

// The height is the size in points at the screen's resolution, negated, rounded half away from zero.
TEST(FontObject, RealizedFontFollowsTheDescriptionAndTheScreen) {
    const std::u16string longFace = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh";
    const std::tuple<const OLECHAR*, LONGLONG, int, SHORT, BOOL, SHORT, LONG, std::u16string> rows[] = {
        // face, size in 1/10000 pt, pixels per inch, weight, italic, charset, height, realized face
        {u"Arial", 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u"Arial"},
        {u"Arial", 97500, 96, FW_BOLD, TRUE, DEFAULT_CHARSET, -13, u"Arial"},
        {u"Arial", 120000, 120, 600, FALSE, 204, -20, u"Arial"},
        {u"Arial", 33750, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -5, u"Arial"},
        {u"Arial", 0, 96, FW_NORMAL, FALSE, ANSI_CHARSET, 0, u"Arial"},
        {longFace.c_str(), 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, longFace.substr(0, 31)},
        {nullptr, 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u""},
    };
    for (const auto& [face, size, pixelsPerInch, weight, italic, charset, height, realizedFace] : rows) {
        SCOPED_TRACE(testing::Message() << size << " at " << pixelsPerInch);
        GdiStandIn::SetScreenPixelsPerInch(pixelsPerInch);
        IFont* font = CreateFont(Description(face, size, weight, italic, charset));
        ASSERT_NE(font, nullptr);
        const LOGFONTW logicalFont = LogicalFontOf(font);
        GdiStandIn::SetScreenPixelsPerInch(96);
        EXPECT_EQ(std::tuple(logicalFont.lfHeight, logicalFont.lfWeight, logicalFont.lfItalic != 0,
                             logicalFont.lfCharSet, std::u16string(logicalFont.lfFaceName)),
                  std::tuple(height, LONG{weight}, italic != FALSE, BYTE(charset), realizedFace));
        font->Release();
    }
}

TEST(FontObject, CreationAndQueryInterface) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    void* identity = nullptr;
    void* object = &identity;
    EXPECT_EQ(OleCreateFontIndirect(nullptr, IID_IFont, &object), E_POINTER);
    EXPECT_EQ(object, nullptr);
    IFont* font = CreateFont(Description(u"Arial", 120000));
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->QueryInterface(IID_IUnknown, &identity), S_OK);
    // Every interface leads back to one identity; an unknown one leaves null.
    for (const auto& [riid, result] : {std::tuple<IID, HRESULT>{IID_IUnknown, S_OK},
                                       {IID_IDispatch, S_OK},
                                       {IID_IFont, S_OK},
                                       {IID_IFontDisp, S_OK},
                                       {otherInterface, E_NOINTERFACE}}) {
        object = &identity;
        EXPECT_EQ(font->QueryInterface(riid, &object), result);
        if (result != S_OK) {
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

    // Creation for an interface the object lacks or without a place for it makes no font.
    FONTDESC description = Description(u"Arial", 120000);
    object = &description;
    EXPECT_EQ(OleCreateFontIndirect(&description, otherInterface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFont, nullptr), E_POINTER);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

// The object owns the font it realized: one while nothing changes, the old one gone at a change unless held.
// A clone compares equal until one of them changes.
TEST(FontObject, OwnsItsFontUntilChangedAndClonesCompareEqual) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    IFont* font = CreateFont(Description(u"Arial", 120000));
    ASSERT_NE(font, nullptr);
    HFONT first = nullptr;
    HFONT again = nullptr;
    font->get_hFont(&first);
    font->get_hFont(&again);
    EXPECT_EQ(again, first);
    EXPECT_EQ(font->AddRefHfont(first), S_OK);
    EXPECT_EQ(font->put_Size(CY{.int64 = 240000}), S_OK);
    EXPECT_EQ(LogicalFontOf(font).lfHeight, -32);
    EXPECT_TRUE(IsLive(first));
    EXPECT_EQ(font->ReleaseHfont(first), S_OK);
    EXPECT_FALSE(IsLive(first));
    EXPECT_EQ(font->ReleaseHfont(first), E_INVALIDARG);
    HFONT second = nullptr;
    font->get_hFont(&second);
    EXPECT_EQ(font->put_Bold(TRUE), S_OK);
    EXPECT_FALSE(IsLive(second));
    EXPECT_EQ(LogicalFontOf(font).lfWeight, FW_BOLD);

    IFont* copy = nullptr;
    ASSERT_EQ(font->Clone(&copy), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_OK);
    EXPECT_EQ(copy->put_Italic(TRUE), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_FALSE);
    EXPECT_EQ(copy->put_Italic(FALSE), S_OK);
    EXPECT_EQ(font->IsEqual(copy), S_OK);
    BSTR name = SysAllocString(u"Courier New");
    EXPECT_EQ(copy->put_Name(name), S_OK);
    SysFreeString(name);
    EXPECT_EQ(font->IsEqual(copy), S_FALSE);
    EXPECT_EQ(font->IsEqual(nullptr), E_POINTER);
    EXPECT_EQ(copy->put_Name(nullptr), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(copy->Release(), 0u);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

} // namespace
