// The standard font object: a font description that answers IFont and IDispatch and realizes a GDI font
// for it on demand.
#include <olectl.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using OleString = std::basic_string<OLECHAR>;

struct FontDescription {
    OleString name;
    CY size;
    SHORT weight;
    SHORT charset;
    BOOL italic;
    BOOL underline;
    BOOL strikethrough;
};

constexpr int defaultPixelsPerInch = 96;

int ScreenPixelsPerInch() {
    const HDC context = CreateCompatibleDC(nullptr);
    if (context == nullptr)
        return defaultPixelsPerInch;
    const int pixelsPerInch = GetDeviceCaps(context, LOGPIXELSY);
    DeleteDC(context);
    return pixelsPerInch;
}

// The height in pixels of a font of `size` points, negative so that it names the character height
// rather than the cell height; rounded half away from zero, as MulDiv does.
LONG LogicalHeight(CY size, int pixelsPerInch) {
    constexpr double currencyUnitsPerInch = 10000.0 * 72.0;
    const double pixels = std::round(static_cast<double>(size.int64) * pixelsPerInch / currencyUnitsPerInch);
    const double limit = std::numeric_limits<LONG>::max();
    return static_cast<LONG>(-std::clamp(pixels, -limit, limit));
}

LOGFONTW LogicalFontOf(const FontDescription& description) {
    LOGFONTW font{};
    font.lfHeight = LogicalHeight(description.size, ScreenPixelsPerInch());
    font.lfWeight = description.weight;
    font.lfItalic = description.italic ? TRUE : FALSE;
    font.lfUnderline = description.underline ? TRUE : FALSE;
    font.lfStrikeOut = description.strikethrough ? TRUE : FALSE;
    font.lfCharSet = static_cast<BYTE>(description.charset);
    const size_t length = std::min<size_t>(description.name.size(), LF_FACESIZE - 1);
    std::copy_n(description.name.begin(), length, font.lfFaceName);
    return font;
}

class FontObject final : public IFont, public IDispatch {
public:
    explicit FontObject(FontDescription description) : description_(std::move(description)) {}
    ~FontObject() {
        for (const HeldFont& held : handles_)
            DeleteObject(held.handle);
    }
    FontObject(const FontObject&) = delete;
    FontObject& operator=(const FontObject&) = delete;

    // IUnknown: IFont's base stands for the object's identity.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IFont)
            *object = static_cast<IFont*>(this);
        else if (riid == IID_IDispatch || riid == IID_IFontDisp)
            *object = static_cast<IDispatch*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IFont
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        if (name == nullptr)
            return E_POINTER;
        *name = SysAllocStringLen(description_.name.data(), static_cast<UINT>(description_.name.size()));
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
        if (name == nullptr)
            return CTL_E_INVALIDPROPERTYVALUE;
        try {
            return Change(description_.name, OleString(name, SysStringLen(name)));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE get_Size(CY* size) override { return Report(size, description_.size); }
    HRESULT STDMETHODCALLTYPE put_Size(CY size) override {
        if (size.int64 < 0)
            return CTL_E_INVALIDPROPERTYVALUE;
        return Change(description_.size.int64, size.int64);
    }
    // Bold is a weight of FW_BOLD or more; setting it picks FW_BOLD or FW_NORMAL.
    HRESULT STDMETHODCALLTYPE get_Bold(BOOL* bold) override {
        return Report<BOOL>(bold, description_.weight >= FW_BOLD ? TRUE : FALSE);
    }
    HRESULT STDMETHODCALLTYPE put_Bold(BOOL bold) override {
        return Change(description_.weight, static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL));
    }
    HRESULT STDMETHODCALLTYPE get_Italic(BOOL* italic) override {
        return Report(italic, description_.italic);
    }
    HRESULT STDMETHODCALLTYPE put_Italic(BOOL italic) override {
        return ChangeFlag(description_.italic, italic);
    }
    HRESULT STDMETHODCALLTYPE get_Underline(BOOL* underline) override {
        return Report(underline, description_.underline);
    }
    HRESULT STDMETHODCALLTYPE put_Underline(BOOL underline) override {
        return ChangeFlag(description_.underline, underline);
    }
    HRESULT STDMETHODCALLTYPE get_Strikethrough(BOOL* strikethrough) override {
        return Report(strikethrough, description_.strikethrough);
    }
    HRESULT STDMETHODCALLTYPE put_Strikethrough(BOOL strikethrough) override {
        return ChangeFlag(description_.strikethrough, strikethrough);
    }
    HRESULT STDMETHODCALLTYPE get_Weight(SHORT* weight) override {
        return Report(weight, description_.weight);
    }
    HRESULT STDMETHODCALLTYPE put_Weight(SHORT weight) override {
        return Change(description_.weight, weight);
    }
    HRESULT STDMETHODCALLTYPE get_Charset(SHORT* charset) override {
        return Report(charset, description_.charset);
    }
    HRESULT STDMETHODCALLTYPE put_Charset(SHORT charset) override {
        return Change(description_.charset, charset);
    }
    // The handle stays the object's: valid until a property changes or the object goes, unless held by
    // AddRefHfont.
    HRESULT STDMETHODCALLTYPE get_hFont(HFONT* font) override {
        if (font == nullptr)
            return E_POINTER;
        *font = nullptr;
        if (current_ == nullptr) {
            const LOGFONTW logicalFont = LogicalFontOf(description_);
            try {
                handles_.reserve(handles_.size() + 1);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            current_ = CreateFontIndirectW(&logicalFont);
            if (current_ == nullptr)
                return E_FAIL;
            handles_.push_back({current_, 0});
        }
        *font = current_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IFont** copy) override {
        if (copy == nullptr)
            return E_POINTER;
        *copy = nullptr;
        try {
            *copy = new FontObject(description_);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IFont* other) override {
        if (other == nullptr)
            return E_POINTER;
        BSTR name = nullptr;
        FontDescription theirs{};
        const bool complete = SUCCEEDED(other->get_Name(&name)) && SUCCEEDED(other->get_Size(&theirs.size)) &&
                              SUCCEEDED(other->get_Weight(&theirs.weight)) &&
                              SUCCEEDED(other->get_Charset(&theirs.charset)) &&
                              SUCCEEDED(other->get_Italic(&theirs.italic)) &&
                              SUCCEEDED(other->get_Underline(&theirs.underline)) &&
                              SUCCEEDED(other->get_Strikethrough(&theirs.strikethrough));
        const bool sameName = name != nullptr && std::basic_string_view<OLECHAR>(name, SysStringLen(name)) ==
                                                     std::basic_string_view<OLECHAR>(description_.name);
        SysFreeString(name);
        return complete && sameName && SameProperties(theirs) ? S_OK : S_FALSE;
    }
    // Fonts are realized for the screen only: no other mapping, no metrics without a rasterizer.
    HRESULT STDMETHODCALLTYPE SetRatio(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryTextMetrics(TEXTMETRICOLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddRefHfont(HFONT font) override {
        HeldFont* held = Find(font);
        if (held == nullptr)
            return E_INVALIDARG;
        ++held->holds;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseHfont(HFONT font) override {
        HeldFont* held = Find(font);
        if (held == nullptr || held->holds == 0)
            return E_INVALIDARG;
        if (--held->holds == 0 && font != current_)
            Forget(font);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHdc(HDC) override { return E_NOTIMPL; }

    // IDispatch: the properties are reached through IFont only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return Report(count, 0u); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

private:
    // A font handle given out, with the holds AddRefHfont placed on it.
    struct HeldFont {
        HFONT handle;
        ULONG holds;
    };

    template <class Value>
    static HRESULT Report(Value* target, Value value) {
        if (target == nullptr)
            return E_POINTER;
        *target = value;
        return S_OK;
    }

    // A changed property makes the next get_hFont realize a new font.
    template <class Value>
    HRESULT Change(Value& property, Value value) {
        if (property != value) {
            property = std::move(value);
            RetireCurrentFont();
        }
        return S_OK;
    }

    HRESULT ChangeFlag(BOOL& flag, BOOL value) { return Change(flag, value ? TRUE : FALSE); }

    // Everything but the name, flags compared as truth values.
    bool SameProperties(const FontDescription& theirs) const {
        const FontDescription& ours = description_;
        return ours.size.int64 == theirs.size.int64 && ours.weight == theirs.weight &&
               ours.charset == theirs.charset && (ours.italic != 0) == (theirs.italic != 0) &&
               (ours.underline != 0) == (theirs.underline != 0) &&
               (ours.strikethrough != 0) == (theirs.strikethrough != 0);
    }

    HeldFont* Find(HFONT font) {
        const auto found = std::find_if(handles_.begin(), handles_.end(),
                                        [font](const HeldFont& held) { return held.handle == font; });
        return found != handles_.end() ? &*found : nullptr;
    }

    void Forget(HFONT font) {
        DeleteObject(font);
        std::erase_if(handles_, [font](const HeldFont& held) { return held.handle == font; });
    }

    // The current font is deleted at once unless someone holds it; then it lives until released.
    void RetireCurrentFont() {
        const HFONT retired = std::exchange(current_, nullptr);
        const HeldFont* held = Find(retired);
        if (held != nullptr && held->holds == 0)
            Forget(retired);
    }

    std::atomic<ULONG> references_{1};
    FontDescription description_;
    HFONT current_ = nullptr;
    std::vector<HeldFont> handles_;
};

FontDescription DescriptionFrom(const FONTDESC& description) {
    return {description.lpstrName != nullptr ? OleString(description.lpstrName) : OleString(),
            description.cySize,
            description.sWeight,
            description.sCharset,
            description.fItalic ? TRUE : FALSE,
            description.fUnderline ? TRUE : FALSE,
            description.fStrikethrough ? TRUE : FALSE};
}

} // namespace

HRESULT WINAPI OleCreateFontIndirect(LPFONTDESC description, REFIID riid, LPVOID* object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (description == nullptr)
        return E_POINTER;
    FontObject* font = nullptr;
    try {
        font = new FontObject(DescriptionFrom(*description));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = font->QueryInterface(riid, object);
    font->Release();
    return result;
}
