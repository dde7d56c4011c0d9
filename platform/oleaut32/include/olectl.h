// Stand-in for <olectl.h>: font descriptions and OleCreateFontIndirect.
#pragma once
#pragma GCC system_header

#include "ocidl.h"

struct FONTDESC {
    UINT cbSizeofstruct;
    LPOLESTR lpstrName;
    CY cySize;
    SHORT sWeight;
    SHORT sCharset;
    BOOL fItalic;
    BOOL fUnderline;
    BOOL fStrikethrough;
};
typedef FONTDESC* LPFONTDESC;

extern "C" {
HRESULT WINAPI OleCreateFontIndirect(LPFONTDESC description, REFIID riid, LPVOID* object);
}
