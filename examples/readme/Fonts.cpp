// Font descriptions: an OLE font object, as a script hands it over, becomes a font record.
#include <WindowsUtils.h>
#include <olectl.h>

#include <cmath>
#include <cstdio>

int main() {
    FONTDESC description{};
    description.cbSizeofstruct = sizeof(FONTDESC);
    description.lpstrName = const_cast<LPOLESTR>(OLESTR("Arial"));
    description.cySize.int64 = 12 * 10000; // 12 points, in currency units
    description.sWeight = FW_BOLD;
    description.fItalic = TRUE;
    void* object = nullptr;
    if (FAILED(OleCreateFontIndirect(&description, IID_IDispatch, &object)))
        return 1;
    _variant_t font(static_cast<IDispatch*>(object), false); // takes over the reference

    std::vector<zfont::FontParams> fonts;
    const bool read = CopyVariantToFontParamsVector(font, fonts);
    for (const zfont::FontParams& params : fonts)
        std::printf("%g points, bold %d, italic %d, angle %g\n", params.size, params.bold, params.italic,
                    params.angle);

    return read && fonts.size() == 1 && std::abs(fonts[0].size - 12) < 0.5 && fonts[0].bold && fonts[0].italic
               ? 0
               : 1;
}
