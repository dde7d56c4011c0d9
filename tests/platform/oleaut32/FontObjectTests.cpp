#include <olectl.h>
#include <oleauto.h>
#include <GdiStandIn.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

namespace {

const GUID otherInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

// The height is the size in points at the screen's resolution, negated, rounded half away from zero; the
// face is cut to 31 characters.
TEST(FontObject, RealizedFontFollowsTheDescriptionAndTheScreen) {
    const std::u16string longFace = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh";
    // Face, size in 1/10000 pt, pixels per inch, weight, italic, charset, height, realized face.
    const std::tuple<const OLECHAR*, LONGLONG, int, SHORT, BOOL, SHORT, LONG, std::u16string> rows[] = {
        {u"Arial", 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u"Arial"},
        {u"Arial", 97500, 96, FW_BOLD, TRUE, DEFAULT_CHARSET, -13, u"Arial"},
        {u"Arial", 120000, 120, 600, FALSE, 204, -20, u"Arial"},
        {u"Arial", 33750, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -5, u"Arial"},
        {u"Arial", 0, 96, FW_NORMAL, FALSE, ANSI_CHARSET, 0, u"Arial"},
        {longFace.c_str(), 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, longFace.substr(0, 31)},
        {nullptr, 120000, 96, FW_NORMAL, FALSE, ANSI_CHARSET, -16, u""},
    };
    for (const auto& [face, size, pixelsPerInch, weight, italic, charset, height, realizedFace] : rows) {
        FONTDESC description{sizeof(FONTDESC),
                             const_cast<LPOLESTR>(face),
                             {.int64 = size},
                             weight,
                             charset,
                             italic,
                             FALSE,
                             FALSE};
        IFont* font = nullptr;
        HFONT handle = nullptr;
        LOGFONTW logicalFont{};
        GdiStandIn::SetScreenPixelsPerInch(pixelsPerInch);
        ASSERT_EQ(OleCreateFontIndirect(&description, IID_IFont, reinterpret_cast<void**>(&font)), S_OK);
        EXPECT_EQ(font->get_hFont(&handle), S_OK);
        GdiStandIn::SetScreenPixelsPerInch(96);
        EXPECT_EQ(GetObjectW(handle, sizeof(logicalFont), &logicalFont), 92);
        EXPECT_EQ(std::tuple(logicalFont.lfHeight, logicalFont.lfWeight, logicalFont.lfItalic != 0,
                             logicalFont.lfCharSet, std::u16string(logicalFont.lfFaceName)),
                  std::tuple(height, LONG{weight}, italic != FALSE, BYTE(charset), realizedFace))
            << size << " at " << pixelsPerInch;
        font->Release();
    }
}

// Every interface leads back to one identity; an unknown one, or a missing description, gives null. The
// object realizes one font and deletes it when it goes.
TEST(FontObject, InterfacesAndTheFontItOwns) {
    const std::size_t fontsBefore = GdiStandIn::LiveFontCount();
    FONTDESC description{
        sizeof(FONTDESC), nullptr, {.int64 = 120000}, FW_NORMAL, ANSI_CHARSET, FALSE, FALSE, FALSE};
    IUnknown *dispatch = nullptr, *identity = nullptr;
    IFont* font = nullptr;
    ASSERT_EQ(OleCreateFontIndirect(&description, IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    void *none = &identity, *noInterface = &identity;
    EXPECT_EQ((std::tuple<HRESULT, HRESULT, void*, void*>{
                  OleCreateFontIndirect(nullptr, IID_IFont, &none),
                  OleCreateFontIndirect(&description, otherInterface, &noInterface), none, noInterface}),
              std::tuple(E_POINTER, E_NOINTERFACE, nullptr, nullptr));
    for (const IID& riid : {IID_IUnknown, IID_IDispatch, IID_IFont, IID_IFontDisp, otherInterface}) {
        void *object = &identity, *itsIdentity = nullptr;
        if (dispatch->QueryInterface(riid, &object) == S_OK) {
            static_cast<IUnknown*>(object)->QueryInterface(IID_IUnknown, &itsIdentity);
            static_cast<IUnknown*>(itsIdentity)->Release();
            static_cast<IUnknown*>(object)->Release();
        }
        const bool known = riid != otherInterface;
        EXPECT_EQ(std::tuple(object != nullptr, itsIdentity), std::tuple(known, known ? identity : nullptr));
    }
    HFONT first = nullptr, again = nullptr;
    ASSERT_EQ(dispatch->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font)), S_OK);
    EXPECT_EQ(
        (std::tuple<HRESULT, HRESULT, bool, std::size_t>{font->get_hFont(&first), font->get_hFont(&again),
                                                         first == again, GdiStandIn::LiveFontCount()}),
        std::tuple(S_OK, S_OK, true, fontsBefore + 1));
    EXPECT_EQ((std::tuple<ULONG, ULONG, ULONG>{font->Release(), identity->Release(), dispatch->Release()}),
              std::tuple(2u, 1u, 0u));
    EXPECT_EQ(GdiStandIn::LiveFontCount(), fontsBefore);
}

} // namespace
