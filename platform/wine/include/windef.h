// Wine's <windef.h>, without its macro for the keyword inline (made for C compilers that lack it),
// which the standard library refuses.
#pragma once

#include_next <windef.h>

#undef inline
