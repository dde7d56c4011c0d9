#include <WindowsUtils.h>
#include <ocidl.h>

#include "frame/ArrayValue.h"

#include <algorithm>

namespace {

// Screens report this resolution unless the user chose another; it stands in when no device context
// can be had to ask.
constexpr int defaultPixelsPerInch = 96;
constexpr float pointsPerInch = 72.0f;
constexpr double radiansPerTenthOfDegree = 0.0017453292519943296;

// The IFont of one font object, released on every path once the query succeeded.
class FontInterface {
public:
    explicit FontInterface(IDispatch& object) noexcept {
        void* font = nullptr;
        if (SUCCEEDED(object.QueryInterface(IID_IFont, &font)))
            font_ = static_cast<IFont*>(font);
    }
    ~FontInterface() {
        if (font_ != nullptr)
            font_->Release();
    }
    FontInterface(const FontInterface&) = delete;
    FontInterface& operator=(const FontInterface&) = delete;

    explicit operator bool() const noexcept { return font_ != nullptr; }

    // The font object's own handle: neither selected nor deleted here. Only the handle counts, not the
    // HRESULT that came with it.
    HFONT Handle() const noexcept {
        HFONT handle = nullptr;
        font_->get_hFont(&handle);
        return handle;
    }

private:
    IFont* font_ = nullptr;
};

// A memory device context compatible with the screen, deleted with DeleteDC.
class ScreenDeviceContext {
public:
    ScreenDeviceContext() noexcept : context_(CreateCompatibleDC(nullptr)) {}
    ~ScreenDeviceContext() {
        if (context_ != nullptr)
            DeleteDC(context_);
    }
    ScreenDeviceContext(const ScreenDeviceContext&) = delete;
    ScreenDeviceContext& operator=(const ScreenDeviceContext&) = delete;

    int PixelsPerInch() const noexcept {
        return context_ != nullptr ? GetDeviceCaps(context_, LOGPIXELSY) : defaultPixelsPerInch;
    }

private:
    HDC context_;
};

// Points from a logical height in pixels, in 32-bit arithmetic throughout: callers compare with sizes
// computed that way (13 pixels at 120 per inch is 7.800000190734863, not 7.8).
double PointSize(LONG height, int pixelsPerInch) {
    const float points = static_cast<float>(height) * -pointsPerInch / static_cast<float>(pixelsPerInch);
    return points;
}

// Radians from tenths of a degree, the direction reversed. The negation wraps like the 32-bit machine
// instruction, so the most negative orientation keeps its sign instead of overflowing.
double Angle(LONG orientation) {
    const auto reversed = static_cast<LONG>(0u - static_cast<ULONG>(orientation));
    return static_cast<double>(reversed) * radiansPerTenthOfDegree;
}

zfont::FontParams FontParamsFrom(const LOGFONTW& font, int pixelsPerInch) {
    const WCHAR* nameEnd = std::find(std::begin(font.lfFaceName), std::end(font.lfFaceName), WCHAR{0});
    return {WideString(font.lfFaceName, nameEnd),
            PointSize(font.lfHeight, pixelsPerInch),
            1.0,
            Angle(font.lfOrientation),
            1.0,
            font.lfItalic != 0,
            font.lfWeight >= FW_BOLD};
}

// One record for a font object whose logical font can be read; anything else adds nothing.
void AppendFontParams(IDispatch* object, std::vector<zfont::FontParams>& fonts) {
    if (object == nullptr)
        return;
    const FontInterface font(*object);
    if (!font)
        return;
    const HFONT handle = font.Handle();
    LOGFONTW logicalFont;
    if (handle == nullptr || GetObjectW(handle, sizeof(LOGFONTW), &logicalFont) == 0)
        return;
    const zfont::FontParams record = FontParamsFrom(logicalFont, ScreenDeviceContext().PixelsPerInch());
    fonts.push_back(record);
}

bool AppendFontArray(const VARIANT& value, std::vector<zfont::FontParams>& fonts) {
    const LONG count = WindowsUtils::CheckedArraySize(value, VT_DISPATCH);
    if (count == 0)
        return false;
    WindowsUtils::LockedData data(value.parray);
    if (!data)
        return false;
    IDispatch* const* objects = data.Elements<IDispatch*>();
    for (LONG index = 0; index < count; ++index)
        AppendFontParams(objects[index], fonts);
    return data.Release();
}

} // namespace

bool CopyVariantToFontParamsVector(const VARIANT& value, std::vector<zfont::FontParams>& fonts) {
    if (value.vt == (VT_ARRAY | VT_DISPATCH))
        return AppendFontArray(value, fonts);
    if (value.vt == VT_DISPATCH) {
        AppendFontParams(value.pdispVal, fonts);
        return true;
    }
    return false;
}
