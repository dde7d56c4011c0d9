// WindowsUtils: conversions between OLE Automation values and the geometric kernel's data model.
//
// Every function takes its input by reference and fills an output object the caller owns. Arrays the
// library creates pass to the caller inside the output VARIANT; a writer never releases what its output
// held before, so a caller that owns a value there clears it first. Invalid input gives false (or, for
// the functions that return nothing, no change) and leaves the output as each family states. A value
// that cannot be converted raises _com_error with the platform's HRESULT; a kernel container that cannot
// grow raises std::bad_alloc while the kernel's ExceptionMode is enabled. No function catches an
// exception, keeps state between calls, or holds a SAFEARRAY locked after it returns.
//
// Readers take values only: every VT_BYREF form (a script's variable arrives as VT_BYREF|VT_VARIANT) is
// refused like any other type. A host follows the references first; the host kit (WindowsUtilsHostKit.h)
// does that, says why a reader refuses a value, and turns results and errors into what a script uses.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <comdef.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include <gkern/Kernel.h>

#if defined(_WIN32)
#if defined(WINDOWSUTILS_BUILDING)
#define WINDOWSUTILS_API __declspec(dllexport)
#else
#define WINDOWSUTILS_API __declspec(dllimport)
#endif
#else
#define WINDOWSUTILS_API __attribute__((visibility("default")))
#endif

// Text of 16-bit characters, as OLE Automation has it (std::wstring on Windows).
using WideString = std::basic_string<WCHAR>;

// ---------------------------------------------------------------------------------------------------
// Type predicates
//
// Functions of a VARTYPE alone: the whole 16-bit value is examined, and nothing is raised.

// True when vt, ignoring VT_ARRAY, is one of the 32-bit integer types VT_I4, VT_UI4, VT_INT, VT_UINT.
// isArray always receives whether the VT_ARRAY bit is set, whatever the result.
WINDOWSUTILS_API bool IsInt(unsigned short vt, bool& isArray);
// True for the fifteen plain scalar types (VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_R8, VT_BSTR, VT_BOOL, VT_I1,
// VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT); any flag bit makes it false.
WINDOWSUTILS_API bool IsSimpleVariantType(unsigned short vt);

// ---------------------------------------------------------------------------------------------------
// Numeric SArray conversions
//
// Writers build a new one-dimensional array value (lower bound 0) holding the SArray's elements, put one
// by one; they raise nothing. Readers take, in this order, a typed array of the element type (it replaces
// the content), a scalar of that type or a VT_ARRAY|VT_VARIANT (their values, coerced, are appended), and
// return true once the array's data were released cleanly (a scalar: once it was appended). A value the
// target cannot grow for is dropped (a typed array: false, target empty). A `long` carries 32-bit values.
// The source is never changed.

// SArray<short> goes out as VT_ARRAY|VT_BOOL, its 16-bit values unchanged (1 is not made VARIANT_TRUE).
// False, target untouched, for an empty source or when the array cannot be created; otherwise the
// target is overwritten without releasing what it held.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<short>& source, VARIANT& target);
// VT_ARRAY|VT_UI4, otherwise as for SArray<short>.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<unsigned int>& source, VARIANT& target);
// VT_ARRAY|VT_I4, otherwise as for SArray<short>.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<long>& source, VARIANT& target);
// VT_ARRAY|VT_R4, otherwise as for SArray<short>.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<float>& source, VARIANT& target);
// VT_ARRAY|VT_R8, otherwise as for SArray<short>.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<double>& source, VARIANT& target);
// VT_ARRAY|VT_I8, otherwise as for SArray<short>.
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<long long>& source, VARIANT& target);

// Bytes from VT_ARRAY|VT_UI1 or VT_ARRAY|VT_I1 (copied unchanged: -1 gives 255), or from a scalar
// VT_UI1 or VT_I1 or a VT_ARRAY|VT_VARIANT coerced to VT_UI1. False, target untouched, for any other
// value or a malformed or empty array; _com_error when a value cannot be coerced (values appended
// before it stay); std::bad_alloc when the target cannot grow while the kernel's ExceptionMode is on.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& source, SArray<unsigned char>& target);
// VARIANT_BOOL values from VT_ARRAY|VT_BOOL (unchanged) or a scalar VT_BOOL, or a VT_ARRAY|VT_VARIANT
// coerced to VT_I2 (true gives -1); otherwise as for SArray<unsigned char>.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& source, SArray<short>& target);
// From an array of any 32-bit integer type (VT_I4, VT_UI4, VT_INT, VT_UINT; bits copied unchanged), a
// scalar of one of them or a VT_ARRAY|VT_VARIANT, coerced to VT_I4; a null array of one of those types
// is taken as a scalar and raises _com_error. Otherwise as for SArray<unsigned char>.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& source, SArray<long>& target);
// From VT_ARRAY|VT_R4, a scalar VT_R4 or a VT_ARRAY|VT_VARIANT coerced to VT_R4; otherwise as for
// SArray<unsigned char>.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& source, SArray<float>& target);
// From VT_ARRAY|VT_R8 (VT_ARRAY|VT_R4 is refused), a scalar VT_R8 or a VT_ARRAY|VT_VARIANT coerced to
// VT_R8; otherwise as for SArray<unsigned char>.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& source, SArray<double>& target);

// ---------------------------------------------------------------------------------------------------
// Numeric vector conversions
//
// Readers append, in this order, the elements of a typed array as they are stored, a scalar of the
// element type or the values of a VT_ARRAY|VT_VARIANT, coerced; they report nothing and leave the
// vector as it was for any other value or a malformed or empty array. A value that cannot be coerced
// raises _com_error, the values appended before it staying. Writers build a new one-dimensional array
// value (lower bound 0), overwriting the target without releasing what it held; an empty vector or a
// failed creation leaves the target untouched, and nothing is raised. Errors of the vector itself
// (std::bad_alloc, std::length_error) pass to the caller.

// From an array of any 32-bit integer type (bits copied unchanged), a scalar of one of them or a
// VT_ARRAY|VT_VARIANT coerced to VT_INT; a null array of one of those types raises _com_error.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<int>& target);
// As for int, coerced to VT_UINT: a VT_I4 array holding -1 gives 4294967295, a scalar -1 _com_error.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<unsigned int>& target);
// As for int, coerced to VT_I4; the 32-bit values are sign-extended.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<long>& target);
// Appends VT_ARRAY|VT_R4, a scalar VT_R4 or a VT_ARRAY|VT_VARIANT coerced to VT_R4. A VT_ARRAY|VT_R8 or
// a scalar VT_R8 instead replaces the content, narrowed to the nearest float (an infinity beyond range).
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<float>& target);
// From VT_ARRAY|VT_R8, a scalar VT_R8 or a VT_ARRAY|VT_VARIANT coerced to VT_R8.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<double>& target);
// From VT_ARRAY|VT_UI1 (VT_ARRAY|VT_I1 is refused), a scalar VT_UI1 or a VT_ARRAY|VT_VARIANT coerced to
// VT_UI1.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<std::byte>& target);
// From VT_ARRAY|VT_BOOL (true for any non-zero element), a scalar VT_BOOL or a VT_ARRAY|VT_VARIANT
// coerced to VT_BOOL.
WINDOWSUTILS_API void CopyVariantToVector(const VARIANT& source, std::vector<bool>& target);

// VT_ARRAY|VT_R8.
WINDOWSUTILS_API void CopyVectorToVariant(const std::vector<double>& source, VARIANT& target);
// VT_ARRAY|VT_BOOL: VARIANT_TRUE (-1) for a set bit, VARIANT_FALSE for a clear one.
WINDOWSUTILS_API void CopyVectorToVariant(const std::vector<bool>& source, VARIANT& target);
// VT_ARRAY|VT_UI1. False, target untouched, for an empty vector or a failed creation.
WINDOWSUTILS_API bool CopyVectorToVariant(const std::vector<unsigned char>& source, VARIANT& target);
// VT_ARRAY|VT_I4 (not VT_INT); false as for unsigned char.
WINDOWSUTILS_API bool CopyVectorToVariant(const std::vector<int>& source, VARIANT& target);
// VT_ARRAY|VT_I4, the 32-bit values a long carries; false as for unsigned char.
WINDOWSUTILS_API bool CopyVectorToVariant(const std::vector<long>& source, VARIANT& target);

// ---------------------------------------------------------------------------------------------------
// Point lists from values
//
// A point list travels as one array of numbers, k per point (x, y, z order), read from the first
// element of the array's data on. A number of elements that is not a multiple of k is refused whole.
// Refusals (another vt, a null, empty, multi-dimensional or malformed array) give false with the
// output untouched; the output changes only once the array's data were reached. A VT_VARIANT element
// that cannot be coerced raises _com_error, leaving the points read before it in the output; an SArray
// that cannot grow raises std::bad_alloc in the kernel's ExceptionMode, otherwise the point is left out;
// errors of a std::vector pass. Unless stated otherwise, the result is true when SafeArrayUnaccessData
// succeeds, and the four CopyVariantToSArray readers size the array by cElements minus the lower bound.

// VT_R8, VT_R4 or VT_VARIANT array; k = 3, or 2 with allCoordinates false (z = 0). Appends after what
// `points` held.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& value, SArray<MbCartPoint3D>& points,
                                          bool allCoordinates);
// VT_R8, VT_R4 or VT_VARIANT array, k = 3, rounded to float. The capacity is first set to exactly the
// number of points read (an array holding more keeps its first that many), then the points are appended.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatPoint3D>& points);
// VT_R8 or VT_R4 array only; k = 2, or 1 with allCoordinates false (each number v gives (v, 0)).
// Appends after what `points` held.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatPoint>& points,
                                          bool allCoordinates);
// As the MbFloatPoint3D reader, except that VT_VARIANT elements are coerced straight to VT_R4, so a
// value beyond the float range raises _com_error instead of becoming an infinity.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatVector3D>& points);

// The three Fill readers size every array by its cElements alone, unless stated otherwise, and carry
// each point through the matrix when it is given and not the identity (asked once per call).

// VT_R8, VT_R4, VT_I4 or VT_VARIANT array of (x, y, z) triples. `points` is emptied and room reserved
// for all of them first.
WINDOWSUTILS_API bool FillMbCartPoint3DVector(const VARIANT& value, std::vector<MbCartPoint3D>& points,
                                              const MbMatrix3D* matrix);
// VT_R8, VT_R4 or VT_VARIANT array of (x, y) pairs. The count of `points` is set to 0 with its storage
// kept, and its capacity raised to the number of points if below. The matrix is only read.
WINDOWSUTILS_API bool FillMbCartPointArray(const VARIANT& value, SArray<MbCartPoint>& points,
                                           MbMatrix* matrix);
// VT_R8 array (sized by cElements, true when SafeArrayUnaccessData succeeds), or VT_R4, VT_I4 or
// VT_VARIANT array (sized by cElements minus the lower bound, true once the data were reached) of
// (x, y) pairs. `points` is emptied and room reserved first.
WINDOWSUTILS_API bool FillMbCartPointVector(const VARIANT& value, std::vector<MbCartPoint>& points,
                                            const MbMatrix* matrix);

// ---------------------------------------------------------------------------------------------------
// Point lists to values
//
// The list writers create a new VT_R8 vector (lower bound 0, 3 numbers per space point and 2 per plane
// point, single precision widened exactly) and store it in `output` without releasing what `output`
// held: a caller that owns a value there clears it first. An empty source, more than a 32-bit count of
// numbers, or a failed SafeArrayCreateVector give false with `output` untouched. Nothing is raised.

WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<MbCartPoint3D>& points, VARIANT& output);
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<MbFloatPoint3D>& points, VARIANT& output);
WINDOWSUTILS_API bool CopySArrayToVariant(const SArray<MbFloatPoint>& points, VARIANT& output);
WINDOWSUTILS_API bool CopyVectorToVariant(const std::vector<MbFloatPoint3D>& points, VARIANT& output);
WINDOWSUTILS_API bool CopyVectorToVariant(const std::vector<MbFloatPoint>& points, VARIANT& output);
// Each point is carried through the matrix when it is given and not the identity; the source stays as
// it is. The MbMatrix is only read.
WINDOWSUTILS_API bool FillSafeArray(VARIANT& output, const SArray<MbCartPoint>& points, MbMatrix* matrix);
WINDOWSUTILS_API bool FillSafeArray(VARIANT& output, const std::vector<MbCartPoint3D>& points,
                                    const MbMatrix3D* matrix);
WINDOWSUTILS_API bool FillSafeArray(VARIANT& output, const std::vector<MbCartPoint>& points,
                                    const MbMatrix* matrix);

// One point as a VT_R8 array of 3 (or 2) numbers made by SafeArrayCreate, stored in `output` as it
// stands. Always true: should the array not be created, `output` holds VT_ARRAY|VT_R8 with no array.
WINDOWSUTILS_API bool TransformMbCartPoint3DToVariant(VARIANT& output, const MbCartPoint3D& point);
WINDOWSUTILS_API bool TransformMbCartPointToVariant(VARIANT& output, const MbCartPoint& point);
// Reads indices 0 and 1 of a VT_R8, VT_R4 or VT_VARIANT array with at least two elements after its
// lower bound, by SafeArrayGetElement. A read outside the bounds (lower bound not 0) fails unnoticed:
// that coordinate stays as it was (VT_R8), or takes the float read before it, 0 at first (VT_R4), or 0
// (VT_VARIANT). Other dimensions are read at index 0. False, point untouched, on refusal; _com_error
// when an element cannot be coerced (x may be written already).
WINDOWSUTILS_API bool TransformVariantToMbCartPoint(MbCartPoint& point, const VARIANT& value);

// ---------------------------------------------------------------------------------------------------
// In-place point operations
//
// The numbers of a point array value are rewritten where they stand: a VT_R8 array sized by cElements,
// or a VT_ARRAY|VT_VARIANT sized by cElements minus the lower bound, whose elements receive the numbers
// as VT_R8 (VT_DATE stays VT_DATE; anything else is cleared first). True when SafeArrayUnaccessData
// succeeds; refusals give false with the value untouched. _com_error leaves on a failing coercion or
// VariantClear, with the points before it already written.

// Every (x, y, z) triple replaced by its image; the matrix is applied even when it is the identity.
WINDOWSUTILS_API bool TransformPoints(VARIANT& value, const MbMatrix3D& matrix);
// Every (x, y) pair of a VT_R8 array replaced by its image; no other form.
WINDOWSUTILS_API bool TransformPoints(VARIANT& value, const MbMatrix& matrix);
// The first points.size() triples replaced by `points`, bit for bit; the array must hold at least that many.
WINDOWSUTILS_API bool ResetPoints(VARIANT& value, const std::vector<MbCartPoint3D>& points);

// ---------------------------------------------------------------------------------------------------
// Matrices
//
// A matrix travels as its sixteen elements row by row (VT_R8, VT_R4 or VT_VARIANT on input, VT_R8 on
// output). A matrix filled from numbers has its classification marked stale (flag byte 128).

// Reads one matrix from an array whose first bound holds exactly 16 elements (dimensions and lower
// bound are not examined). False, matrix untouched, on refusal; _com_error, matrix untouched, when an
// element cannot be coerced. True once the data were reached.
WINDOWSUTILS_API bool CopyVariantToMbMatrix3D(const VARIANT& value, MbMatrix3D& matrix);
// Appends one matrix per 16 numbers of a one-dimensional array (cElements minus the lower bound, a
// multiple of 16). False, `matrices` untouched, on refusal; true when SafeArrayUnaccessData succeeds.
// _com_error keeps the matrices read before; a matrix the SArray cannot grow for is left out
// (std::bad_alloc in the kernel's ExceptionMode).
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& value, SArray<MbMatrix3D>& matrices);
// Writes the sixteen elements as a new VT_R8 array made by SafeArrayCreate. `output` is initialised,
// not cleared, first; false (output VT_EMPTY) when the array cannot be created. Nothing is raised.
WINDOWSUTILS_API bool MbMatrix3DToVariant(const MbMatrix3D& matrix, VARIANT& output);

// ---------------------------------------------------------------------------------------------------
// String lists and lists of arbitrary values
//
// Text crosses as one-dimensional VT_ARRAY|VT_BSTR arrays with lower bound 0. Every path takes a text up
// to its first NUL character, whatever length a BSTR or wide string stores. Lists longer than the largest
// signed 32-bit number cannot be written and are refused.

namespace old {

// The legacy wide string the string lists exchange. The text buffer is NUL-terminated, grown and shrunk
// with realloc and released with free, and stays null until the string first holds text. The auxiliary
// buffer belongs to the string and is released with delete[]; this library never fills it.
class string {
public:
    string() noexcept = default;
    explicit string(const WCHAR* source) { Assign(source); }
    string(const string& other) { Assign(other.text); }
    string& operator=(const string& other) {
        Assign(other.text);
        return *this;
    }
    string& operator=(const WCHAR* source) {
        Assign(source);
        return *this;
    }
    ~string() {
        std::free(text);
        delete[] auxiliary;
    }

    // The text, or null while the string has never held any.
    const WCHAR* Text() const noexcept { return text; }
    // Characters before the terminator.
    std::uint64_t Length() const noexcept { return length; }

    // Takes the text up to its first NUL. The string's own text changes nothing; a null or empty text
    // keeps the buffer and only empties it; the buffer is reallocated to length + 1 characters only when
    // the length changes. When realloc fails, std::bad_alloc leaves and the string is as it was.
    void Assign(const WCHAR* source) {
        if (source == text)
            return;
        if (source == nullptr || source[0] == 0) {
            if (text != nullptr)
                text[0] = 0;
            length = 0;
            return;
        }
        const std::uint64_t newLength = std::char_traits<WCHAR>::length(source);
        // The buffer is reused only for a text of its own length, which it then holds.
        if (newLength != length || text == nullptr) {
            // A text from inside this buffer must outlive the reallocation, so it gets a fresh block.
            const bool inside = Holds(source);
            auto* block =
                static_cast<WCHAR*>(std::realloc(inside ? nullptr : text, (newLength + 1) * sizeof(WCHAR)));
            if (block == nullptr)
                throw std::bad_alloc();
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
// GCC 12 takes `source` for a pointer into the block realloc may have moved; a text from inside it went to
// a fresh block above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
            std::char_traits<WCHAR>::copy(block, source, newLength + 1);
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif
            if (inside)
                std::free(text);
            text = block;
            length = newLength;
            return;
        }
        std::char_traits<WCHAR>::copy(text, source, newLength + 1);
    }

private:
    friend struct ::RecordLayout;
    bool Holds(const WCHAR* source) const noexcept {
        return text != nullptr && std::less_equal<const WCHAR*>()(text, source) &&
               std::less_equal<const WCHAR*>()(source, text + length);
    }

    WCHAR* text = nullptr;
    std::uint64_t length = 0;
    char* auxiliary = nullptr;
};

} // namespace old

// Writes the strings' texts into a new VT_ARRAY|VT_BSTR array; a string without text buffer (or a null
// element) gives an empty BSTR. output.parray is set to null at entry; vt and the array are stored only
// on success. True for an empty list (nothing stored); false when the list is too long, the array cannot
// be created or a store fails (the array is then destroyed). _com_error(E_OUTOFMEMORY) when a BSTR
// cannot be allocated.
WINDOWSUTILS_API bool FillBSTRSafeArray(VARIANT& output, const RPArray<old::string>& strings);
// The same for wide strings, except that a failing store is ignored and the later strings still stored.
WINDOWSUTILS_API void FillVectorToBSTRSafeArray(VARIANT& output, const std::vector<WideString>& strings);

// Reads VT_EMPTY (no string), VT_BSTR (one) or VT_ARRAY|VT_BSTR or VT_ARRAY|VT_VARIANT (one string per
// element, a VARIANT through its conversion to VT_BSTR) into output, emptied first; a null BSTR gives an
// empty string. Any other vt: true, output untouched. A null, multi-dimensional or malformed array reads
// as empty (true); false only when the array data cannot be reached or released. _com_error when an
// element has no text form (the strings read before it stay); std::bad_alloc when a string cannot be made.
WINDOWSUTILS_API bool FillStrArray(const VARIANT& input, PArray<old::string>& output);
// The same forms into wide strings, except that a null BSTR, or a conversion giving none, is skipped.
WINDOWSUTILS_API void FillVectorToStrArray(const VARIANT& input, std::vector<WideString>& output);

// Writes copies (VariantCopy) of the values into a new VT_ARRAY|VT_VARIANT array, after VariantInit on
// output (its old content is not released). False, output untouched, for an empty or too long list or
// when the array cannot be created.
WINDOWSUTILS_API bool CopySArrayToVariant(const RPArray<_variant_t>& values, VARIANT& output);
// Empties output, then appends new elements: a deep copy of a value without VT_ARRAY or of each element
// of VT_ARRAY|VT_VARIANT; the values of VT_ARRAY|VT_R8 (VT_R8), VT_ARRAY|VT_R4 (VT_R4), a 32-bit integer
// array (VT_I4, bits unchanged) or VT_ARRAY|VT_BSTR (VT_BSTR) as read by the typed readers. Like every
// reader here: true on success, false when reading failed or no form applies (output then empty).
// _com_error when a copy or a BSTR cannot be made; the elements appended before stay.
WINDOWSUTILS_API bool CopyVariantToSArray(const VARIANT& input, PArray<_variant_t>& output);

// ---------------------------------------------------------------------------------------------------
// Font descriptions
//
// OLE font objects (IDispatch pointers answering IFont) become font records: one record per font whose
// GDI font handle can be read, appended to the caller's vector, which is never emptied.

namespace zfont {

// A font as the host describes it: a plain value that owns only its face name.
struct FontParams {
    WideString faceName;
    double size = 0.0;         // in points; negative when the logical height was a cell height
    double firstFactor = 0.0;  // filled with 1.0 by this library
    double angle = 0.0;        // character orientation in radians, its sign reversed
    double secondFactor = 0.0; // filled with 1.0 by this library
    bool italic = false;
    bool bold = false; // a weight of FW_BOLD (700) or more
};

} // namespace zfont

// Appends a record per font of a VT_ARRAY|VT_DISPATCH (one dimension) or VT_DISPATCH value, in index order;
// nulls, non-fonts and unreadable handles add nothing. False for another vt or a refused array (nothing
// appended), else whether the array's data was released. Exceptions of the vector and string pass.
WINDOWSUTILS_API bool CopyVariantToFontParamsVector(const VARIANT& value,
                                                    std::vector<zfont::FontParams>& fonts);
