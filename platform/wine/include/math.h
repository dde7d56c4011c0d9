// Wine's <math.h>, completed to what the Universal CRT declares for C++: the long double functions
// (long double is double in this ABI), the C99 functions ucrtbase exports, and the classification
// functions in place of Wine's macros.
#pragma once

#include_next <math.h>

typedef double double_t;
typedef float float_t;

extern "C" {
__declspec(dllimport) long double __cdecl acoshl(long double);
__declspec(dllimport) long double __cdecl asinhl(long double);
__declspec(dllimport) long double __cdecl atanhl(long double);
__declspec(dllimport) long double __cdecl cbrtl(long double);
__declspec(dllimport) long double __cdecl copysignl(long double, long double);
__declspec(dllimport) double __cdecl erfc(double);
__declspec(dllimport) float __cdecl erfcf(float);
__declspec(dllimport) long double __cdecl erfcl(long double);
__declspec(dllimport) long double __cdecl erfl(long double);
__declspec(dllimport) long double __cdecl exp2l(long double);
__declspec(dllimport) long double __cdecl expm1l(long double);
__declspec(dllimport) long double __cdecl fdiml(long double, long double);
__declspec(dllimport) double __cdecl fma(double, double, double);
__declspec(dllimport) float __cdecl fmaf(float, float, float);
__declspec(dllimport) long double __cdecl fmal(long double, long double, long double);
__declspec(dllimport) long double __cdecl fmaxl(long double, long double);
__declspec(dllimport) long double __cdecl fminl(long double, long double);
__declspec(dllimport) int __cdecl ilogbl(long double);
__declspec(dllimport) long double __cdecl lgammal(long double);
__declspec(dllimport) long long __cdecl llrintl(long double);
__declspec(dllimport) long long __cdecl llroundl(long double);
__declspec(dllimport) long double __cdecl log1pl(long double);
__declspec(dllimport) long double __cdecl log2l(long double);
__declspec(dllimport) long double __cdecl logbl(long double);
__declspec(dllimport) long __cdecl lrintl(long double);
__declspec(dllimport) long __cdecl lroundl(long double);
__declspec(dllimport) double __cdecl nan(const char*);
__declspec(dllimport) float __cdecl nanf(const char*);
__declspec(dllimport) long double __cdecl nanl(const char*);
__declspec(dllimport) long double __cdecl nearbyintl(long double);
__declspec(dllimport) long double __cdecl nextafterl(long double, long double);
__declspec(dllimport) double __cdecl nexttoward(double, long double);
__declspec(dllimport) float __cdecl nexttowardf(float, long double);
__declspec(dllimport) long double __cdecl nexttowardl(long double, long double);
__declspec(dllimport) long double __cdecl remainderl(long double, long double);
__declspec(dllimport) long double __cdecl remquol(long double, long double, int*);
__declspec(dllimport) long double __cdecl rintl(long double);
__declspec(dllimport) long double __cdecl roundl(long double);
__declspec(dllimport) long double __cdecl scalblnl(long double, long);
__declspec(dllimport) long double __cdecl scalbnl(long double, int);
__declspec(dllimport) long double __cdecl tgammal(long double);
__declspec(dllimport) long double __cdecl truncl(long double);
}

// What the Universal CRT defines inline in C++: the double function does the work.
inline long double acosl(long double x) { return acos(static_cast<double>(x)); }
inline long double asinl(long double x) { return asin(static_cast<double>(x)); }
inline long double atanl(long double x) { return atan(static_cast<double>(x)); }
inline long double ceill(long double x) { return ceil(static_cast<double>(x)); }
inline long double cosl(long double x) { return cos(static_cast<double>(x)); }
inline long double coshl(long double x) { return cosh(static_cast<double>(x)); }
inline long double expl(long double x) { return exp(static_cast<double>(x)); }
inline long double fabsl(long double x) { return fabs(static_cast<double>(x)); }
inline long double floorl(long double x) { return floor(static_cast<double>(x)); }
inline long double logl(long double x) { return log(static_cast<double>(x)); }
inline long double log10l(long double x) { return log10(static_cast<double>(x)); }
inline long double sinl(long double x) { return sin(static_cast<double>(x)); }
inline long double sinhl(long double x) { return sinh(static_cast<double>(x)); }
inline long double sqrtl(long double x) { return sqrt(static_cast<double>(x)); }
inline long double tanl(long double x) { return tan(static_cast<double>(x)); }
inline long double tanhl(long double x) { return tanh(static_cast<double>(x)); }
inline long double atan2l(long double y, long double x) { return atan2(static_cast<double>(y), static_cast<double>(x)); }
inline long double fmodl(long double x, long double y) { return fmod(static_cast<double>(x), static_cast<double>(y)); }
inline long double hypotl(long double x, long double y) { return _hypot(static_cast<double>(x), static_cast<double>(y)); }
inline long double powl(long double x, long double y) { return pow(static_cast<double>(x), static_cast<double>(y)); }
inline long double frexpl(long double x, int* exponent) { return frexp(static_cast<double>(x), exponent); }
inline long double ldexpl(long double x, int exponent) { return ldexp(static_cast<double>(x), exponent); }
inline long double modfl(long double x, long double* integral) {
    double whole = 0;
    const double fraction = modf(static_cast<double>(x), &whole);
    *integral = whole;
    return fraction;
}

#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite
#define WINDOWSUTILS_CLASSIFICATION(type) \
    inline int fpclassify(type x) noexcept { return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x); } \
    inline bool signbit(type x) noexcept { return __builtin_signbit(x); } \
    inline bool isinf(type x) noexcept { return __builtin_isinf(x); } \
    inline bool isnan(type x) noexcept { return __builtin_isnan(x); } \
    inline bool isnormal(type x) noexcept { return __builtin_isnormal(x); } \
    inline bool isfinite(type x) noexcept { return __builtin_isfinite(x); } \
    inline bool isgreater(type x, type y) noexcept { return __builtin_isgreater(x, y); } \
    inline bool isgreaterequal(type x, type y) noexcept { return __builtin_isgreaterequal(x, y); } \
    inline bool isless(type x, type y) noexcept { return __builtin_isless(x, y); } \
    inline bool islessequal(type x, type y) noexcept { return __builtin_islessequal(x, y); } \
    inline bool islessgreater(type x, type y) noexcept { return __builtin_islessgreater(x, y); } \
    inline bool isunordered(type x, type y) noexcept { return __builtin_isunordered(x, y); }
WINDOWSUTILS_CLASSIFICATION(float)
WINDOWSUTILS_CLASSIFICATION(double)
WINDOWSUTILS_CLASSIFICATION(long double)
#undef WINDOWSUTILS_CLASSIFICATION
