// Wine's <oaidl.h>, with VARIANT's cVal and pcVal of type char as the Windows SDK declares them (CHAR),
// not signed char: a second union member of the same size and place takes the published name.
#pragma once

#define cVal cVal_as_wine_declares; char cVal
#define pcVal pcVal_as_wine_declares; char* pcVal
#include_next <oaidl.h>
#undef cVal
#undef pcVal
