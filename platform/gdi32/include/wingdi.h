// Stand-in for <wingdi.h>: logical fonts and memory device contexts.
#pragma once
#pragma GCC system_header

#include "windef.h"

#define LF_FACESIZE 32
#define LOGPIXELSX 88
#define LOGPIXELSY 90

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_NORMAL 400
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTW* PLOGFONTW;
typedef LOGFONTW* LPLOGFONTW;

extern "C" {
HFONT WINAPI CreateFontIndirectW(const LOGFONTW* logicalFont);
int WINAPI GetObjectW(HGDIOBJ object, int bufferSize, LPVOID buffer);
BOOL WINAPI DeleteObject(HGDIOBJ object);
HDC WINAPI CreateCompatibleDC(HDC referenceContext);
int WINAPI GetDeviceCaps(HDC context, int index);
BOOL WINAPI DeleteDC(HDC context);
}
