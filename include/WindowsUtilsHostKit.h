// WindowsUtils' host kit: what an automation host does between IDispatch::Invoke and the library, once.
//
// The library takes values (it refuses every VT_BYREF form) and reports a refusal as false, without a
// reason. A script sends its variables by reference, JScript arrays as objects, and must be told why a
// value was refused. In a host's Invoke (examples/readme/PolylineHost.cpp is a whole host):
//
//     const HostKit::Arguments arguments(*parameters);                     // in the script's order
//     HostKit::ArgumentView list(arguments[0], method);                     // references followed
//     HostKit::Require(list.Value(), HostKit::Reads::pointVector3D, method); // or why not
//     HostKit::ReadWhole(points, [&](auto& read) { return FillMbCartPoint3DVector(list.Value(), read, 0); });
//     return ... HostKit::ScriptResult(std::move(written)) ...
//     ...
//     catch (...) { return HostKit::ReportCurrentException(exception, source, method); }
//
// Every function here raises only what its comment says; none keeps a SAFEARRAY locked.
#pragma once

#include <WindowsUtils.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

#if defined(_WIN32)
#if defined(WINDOWSUTILS_HOSTKIT_BUILDING)
#define WINDOWSUTILS_HOSTKIT_API __declspec(dllexport)
#else
#define WINDOWSUTILS_HOSTKIT_API __declspec(dllimport)
#endif
#else
#define WINDOWSUTILS_HOSTKIT_API __attribute__((visibility("default")))
#endif

namespace HostKit {

// ---------------------------------------------------------------------------------------------------
// Errors

// The code of an argument the host refuses (FACILITY_ITF, 0x201): what Err.Number shows a script.
inline constexpr HRESULT refusalCode = static_cast<HRESULT>(0x80040201);

// An argument the method cannot use; the description says, for the script author, what was expected.
class WINDOWSUTILS_HOSTKIT_API Refusal : public std::exception {
public:
    explicit Refusal(WideString description, HRESULT code = refusalCode);
    const WideString& Description() const noexcept { return description; }
    HRESULT Code() const noexcept { return code; }
    const char* what() const noexcept override;

private:
    WideString description;
    HRESULT code;
};

// A readable text for an HRESULT with its number, "… (0x80020005)"; the DISP_E codes the platform's
// message tables lack have texts of their own.
WINDOWSUTILS_HOSTKIT_API WideString ErrorText(HRESULT code);

// Invoke's result for an error: DISP_E_EXCEPTION with `exception` filled (whatever it held is
// overwritten; scode always set, since an error given only as wCode reaches VBScript as Err.Number 0),
// or `code` itself when the caller passed no EXCEPINFO; E_OUTOFMEMORY when the strings cannot be made.
WINDOWSUTILS_HOSTKIT_API HRESULT ReportError(EXCEPINFO* exception, HRESULT code, const OLECHAR* source,
                                             const WideString& description) noexcept;

// Called inside a catch block: the exception in flight as Invoke's result (ReportError). A Refusal gives
// its code and description; a _com_error its HRESULT and "<method> failed: <ErrorText>"; std::bad_alloc
// E_OUTOFMEMORY; anything else E_UNEXPECTED. Inline: the exception is rethrown in the module that
// caught it, which a DLL with a C++ run-time of its own could not do.
inline HRESULT ReportCurrentException(EXCEPINFO* exception, const OLECHAR* source,
                                      const OLECHAR* method) noexcept {
    try {
        HRESULT code = E_UNEXPECTED;
        WideString description(method != nullptr ? method : OLESTR(""));
        try {
            throw;
        } catch (const Refusal& refusal) {
            code = refusal.Code();
            description = refusal.Description();
        } catch (const _com_error& error) {
            code = error.Error();
            description += OLESTR(" failed: ") + ErrorText(code);
        } catch (const std::bad_alloc&) {
            code = E_OUTOFMEMORY;
            description += OLESTR(" ran out of memory");
        } catch (...) {
            description += OLESTR(" failed unexpectedly");
        }
        return ReportError(exception, code, source, description);
    } catch (...) {
        return E_OUTOFMEMORY; // not even the description could be made
    }
}

// ---------------------------------------------------------------------------------------------------
// Arguments

// Invoke's arguments, which arrive last first, in the script's order. Borrows the DISPPARAMS.
class Arguments {
public:
    explicit Arguments(DISPPARAMS& parameters) noexcept : parameters(parameters) {}
    std::size_t Count() const noexcept { return parameters.cArgs; }
    VARIANT& operator[](std::size_t index) const noexcept {
        return parameters.rgvarg[parameters.cArgs - 1 - index];
    }

private:
    DISPPARAMS& parameters;
};

// An argument as the library takes it: by value. Every VT_BYREF|VT_VARIANT level is followed (a chain
// deeper than 16 levels is refused). A by-reference array is viewed where it stands, without a copy, so
// an in-place operation moves the caller's own numbers; a by-reference scalar is copied. An array-like
// script object (a JScript array: `length` and the elements "0", "1", …) becomes a VT_ARRAY|VT_VARIANT of
// its elements, and WriteBack stores them back; a length that is no whole number from 0 to 2^31-1 or an
// element never set is refused before more is read. Raises Refusal; an error the object raises while it
// is read or written passes as a Refusal with the object's own code and description (so a script sees
// its own error), or as _com_error when it gave no description; std::bad_alloc.
class WINDOWSUTILS_HOSTKIT_API ArgumentView {
public:
    // `method` names the method in a refusal's description; the view keeps the pointer.
    ArgumentView(VARIANT& argument, const OLECHAR* method);
    ~ArgumentView();
    ArgumentView(const ArgumentView&) = delete;
    ArgumentView& operator=(const ArgumentView&) = delete;

    VARIANT& Value() noexcept;
    // Whether a change made in place to Value() reaches the caller: a by-reference array, or a script
    // object (after WriteBack). A literal array or a copy the caller never sees again does not.
    bool ReachesCaller() const noexcept;
    // Stores the elements back into the script object this value was made from; nothing otherwise.
    void WriteBack();

private:
    const OLECHAR* method;
    VARIANT view{};   // the caller's value, borrowed: never cleared
    _variant_t owned; // a copy or a script object's elements, made here
    bool usesOwned = false;
    bool reachesCaller = false;
    IDispatch* scriptObject = nullptr; // one reference held
};

// A number argument in any form a script sends, references followed, as a double; _com_error when
// it has none.
WINDOWSUTILS_HOSTKIT_API double NumberArgument(const VARIANT& argument);

// ---------------------------------------------------------------------------------------------------
// The check: whether a reader of the library takes a value, and if not, why

// One bit per VARTYPE (VT_EMPTY to VT_UINT) for the sets of a ReaderForm.
constexpr std::uint32_t TypeBit(VARTYPE type) noexcept {
    return type < 32 ? std::uint32_t{1} << type : 0;
}
template <typename... Types>
constexpr std::uint32_t TypeBits(Types... types) noexcept {
    return (TypeBit(static_cast<VARTYPE>(types)) | ...);
}

// What a VT_ARRAY|VT_VARIANT's elements may be for a reader: scalars (each coerced, so no array, object
// or reference), objects (VT_DISPATCH, Nothing included), or anything.
enum class Elements { scalars, objects, anything };

// How a reader sizes an array: by cElements minus the lower bound (a lower bound above 0 drops that many
// elements from the end), by cElements alone (every element read), or by cElements for VT_R8 arrays only.
enum class Size { count, total, totalForDoubles };

// What a reader takes: the element types of its arrays (one-dimensional), the scalars it reads as a list
// of one, and the element counts by its size rule. `expected` completes "<method> expects …".
struct ReaderForm {
    const OLECHAR* expected;
    std::uint32_t arrayTypes;
    std::uint32_t scalarTypes = 0;
    ULONG multipleOf = 1;
    ULONG fewest = 1; // 0: an empty array reads as an empty list
    ULONG most = std::numeric_limits<ULONG>::max();
    Elements elements = Elements::scalars;
    Size size = Size::count;
    bool zeroLowerBound = false; // the reader reads fixed indices, outside any other lower bound
};

// The form for a method that takes lists only: the reader's arrays, none of its scalars.
constexpr ReaderForm ArraysOnly(ReaderForm form) noexcept {
    form.scalarTypes = 0;
    return form;
}

// The library's readers. An empty array: the vector, string and value readers read it as nothing; the
// others refuse it (false), and so does the check.
namespace Reads {
inline constexpr std::uint32_t integerTypes = TypeBits(VT_I4, VT_UI4, VT_INT, VT_UINT);
inline constexpr std::uint32_t anyScalar = ~std::uint32_t{0};
// CopyVariantToVector.
inline constexpr ReaderForm vectorOfDoubles{.expected = OLESTR("a one-dimensional array of numbers"),
                                            .arrayTypes = TypeBits(VT_R8, VT_VARIANT),
                                            .scalarTypes = TypeBit(VT_R8),
                                            .fewest = 0};
inline constexpr ReaderForm vectorOfFloats{.expected = OLESTR("a one-dimensional array of numbers"),
                                           .arrayTypes = TypeBits(VT_R4, VT_R8, VT_VARIANT),
                                           .scalarTypes = TypeBits(VT_R4, VT_R8),
                                           .fewest = 0};
inline constexpr ReaderForm vectorOfIntegers{.expected =
                                                 OLESTR("a one-dimensional array of 32-bit whole numbers"),
                                             .arrayTypes = integerTypes | TypeBit(VT_VARIANT),
                                             .scalarTypes = integerTypes,
                                             .fewest = 0};
inline constexpr ReaderForm vectorOfBytes{.expected = OLESTR("a one-dimensional array of bytes"),
                                          .arrayTypes = TypeBits(VT_UI1, VT_VARIANT),
                                          .scalarTypes = TypeBit(VT_UI1),
                                          .fewest = 0};
inline constexpr ReaderForm vectorOfBooleans{.expected = OLESTR("a one-dimensional array of booleans"),
                                             .arrayTypes = TypeBits(VT_BOOL, VT_VARIANT),
                                             .scalarTypes = TypeBit(VT_BOOL),
                                             .fewest = 0};
// CopyVariantToSArray of numbers.
inline constexpr ReaderForm sarrayOfDoubles{.expected = OLESTR("a one-dimensional array of numbers"),
                                            .arrayTypes = TypeBits(VT_R8, VT_VARIANT),
                                            .scalarTypes = TypeBit(VT_R8)};
inline constexpr ReaderForm sarrayOfFloats{.expected = OLESTR("a one-dimensional array of numbers"),
                                           .arrayTypes = TypeBits(VT_R4, VT_VARIANT),
                                           .scalarTypes = TypeBit(VT_R4)};
inline constexpr ReaderForm sarrayOfLongs{.expected =
                                              OLESTR("a one-dimensional array of 32-bit whole numbers"),
                                          .arrayTypes = integerTypes | TypeBit(VT_VARIANT),
                                          .scalarTypes = integerTypes};
inline constexpr ReaderForm sarrayOfBytes{.expected = OLESTR("a one-dimensional array of bytes"),
                                          .arrayTypes = TypeBits(VT_UI1, VT_I1, VT_VARIANT),
                                          .scalarTypes = TypeBits(VT_UI1, VT_I1)};
inline constexpr ReaderForm sarrayOfBooleans{.expected = OLESTR("a one-dimensional array of booleans"),
                                             .arrayTypes = TypeBits(VT_BOOL, VT_VARIANT),
                                             .scalarTypes = TypeBit(VT_BOOL)};
// Point lists. CopyVariantToSArray of MbCartPoint3D (all coordinates), MbFloatPoint3D, MbFloatVector3D:
inline constexpr ReaderForm points3D{.expected =
                                         OLESTR("a one-dimensional array of numbers, three per point"),
                                     .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                     .multipleOf = 3};
// CopyVariantToSArray of MbCartPoint3D without z:
inline constexpr ReaderForm points2D{.expected = OLESTR("a one-dimensional array of numbers, two per point"),
                                     .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                     .multipleOf = 2};
// FillMbCartPointArray:
inline constexpr ReaderForm pointArray2D{.expected =
                                             OLESTR("a one-dimensional array of numbers, two per point"),
                                         .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                         .multipleOf = 2,
                                         .size = Size::total};
// FillMbCartPoint3DVector:
inline constexpr ReaderForm pointVector3D{.expected =
                                              OLESTR("a one-dimensional array of numbers, three per point"),
                                          .arrayTypes = TypeBits(VT_R8, VT_R4, VT_I4, VT_VARIANT),
                                          .multipleOf = 3,
                                          .size = Size::total};
// FillMbCartPointVector:
inline constexpr ReaderForm pointVector2D{.expected =
                                              OLESTR("a one-dimensional array of numbers, two per point"),
                                          .arrayTypes = TypeBits(VT_R8, VT_R4, VT_I4, VT_VARIANT),
                                          .multipleOf = 2,
                                          .size = Size::totalForDoubles};
// CopyVariantToSArray of MbFloatPoint, with and without all coordinates:
inline constexpr ReaderForm floatPoints2D{
    .expected = OLESTR("a one-dimensional array of Double or Single numbers, two per point"),
    .arrayTypes = TypeBits(VT_R8, VT_R4),
    .multipleOf = 2};
inline constexpr ReaderForm floatPoints1D{.expected =
                                              OLESTR("a one-dimensional array of Double or Single numbers"),
                                          .arrayTypes = TypeBits(VT_R8, VT_R4)};
// TransformVariantToMbCartPoint:
inline constexpr ReaderForm onePoint2D{.expected = OLESTR("a one-dimensional array of at least two numbers"),
                                       .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                       .fewest = 2,
                                       .zeroLowerBound = true};
// In place: TransformPoints with an MbMatrix3D, ResetPoints; TransformPoints with an MbMatrix.
inline constexpr ReaderForm pointsInPlace3D{.expected =
                                                OLESTR("a one-dimensional array of numbers, three per point"),
                                            .arrayTypes = TypeBits(VT_R8, VT_VARIANT),
                                            .multipleOf = 3,
                                            .size = Size::totalForDoubles};
inline constexpr ReaderForm pointsInPlace2D{
    .expected = OLESTR("a one-dimensional array of Double numbers, two per point"),
    .arrayTypes = TypeBit(VT_R8),
    .multipleOf = 2,
    .size = Size::total};
// CopyVariantToMbMatrix3D (which looks at the first bound's cElements alone); CopyVariantToSArray of
// MbMatrix3D.
inline constexpr ReaderForm matrix{.expected = OLESTR("a one-dimensional array of 16 numbers"),
                                   .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                   .fewest = 16,
                                   .most = 16,
                                   .size = Size::total};
inline constexpr ReaderForm matrices{.expected = OLESTR("a one-dimensional array of numbers, 16 per matrix"),
                                     .arrayTypes = TypeBits(VT_R8, VT_R4, VT_VARIANT),
                                     .multipleOf = 16,
                                     .fewest = 16};
// FillStrArray, FillVectorToStrArray (an unfit value reads as nothing, without a refusal).
inline constexpr ReaderForm texts{.expected = OLESTR("a text or a one-dimensional array of texts"),
                                  .arrayTypes = TypeBits(VT_BSTR, VT_VARIANT),
                                  .scalarTypes = TypeBits(VT_EMPTY, VT_BSTR),
                                  .fewest = 0};
// CopyVariantToSArray of _variant_t: any value, or an array of values (arrays and objects among them).
inline constexpr ReaderForm values{.expected = OLESTR("a value or a one-dimensional array of values"),
                                   .arrayTypes = integerTypes | TypeBits(VT_VARIANT, VT_R8, VT_R4, VT_BSTR),
                                   .scalarTypes = anyScalar,
                                   .fewest = 0,
                                   .elements = Elements::anything};
// CopyVariantToFontParamsVector.
inline constexpr ReaderForm fonts{.expected =
                                      OLESTR("a font object or a one-dimensional array of font objects"),
                                  .arrayTypes = TypeBit(VT_DISPATCH),
                                  .scalarTypes = TypeBit(VT_DISPATCH)};
} // namespace Reads

// Why a value is not what a reader takes.
struct Mismatch {
    enum class Reason { type, byReference, dimensions, lowerBound, count, element };
    Reason reason;
    WideString arrived; // in a script author's words: "an array of 7 elements, not a multiple of 3"
};

// Nothing when the reader takes the value (as far as its form goes: whether each element converts is
// the reader's own business). Reads a VARIANT array's elements where they stand; never copies.
// Raises std::bad_alloc, or _com_error when an array's data cannot be reached.
WINDOWSUTILS_HOSTKIT_API std::optional<Mismatch> Check(const VARIANT& value, const ReaderForm& form);

// Raises Refusal("<method> expects <expected>; it received <arrived>") unless the reader takes the value.
WINDOWSUTILS_HOSTKIT_API void Require(const VARIANT& value, const ReaderForm& form, const OLECHAR* method);

// ---------------------------------------------------------------------------------------------------
// Reading with the strong guarantee

// Reads into a copy of `output` and keeps it only when the whole read succeeded: `read(copy)` returned
// true (or nothing) and raised nothing. Otherwise `output` is as it was and the exception passes. For
// outputs that copy and swap (std::vector, std::basic_string, MbMatrix3D); a kernel container is read
// into a fresh one the host then keeps.
template <typename Output, typename Read>
bool ReadWhole(Output& output, Read&& read) {
    Output copy(output);
    if constexpr (std::is_void_v<std::invoke_result_t<Read&, Output&>>)
        read(copy);
    else if (!read(copy))
        return false;
    using std::swap;
    swap(output, copy);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Results a script can use

// What a writer of the library produced (taken over: `written` is left empty), made a result every script
// can index: a typed array is
// widened into a VT_ARRAY|VT_VARIANT (lower bound 0) of the same values, VT_EMPTY (an empty source, which
// the writers leave unwritten) becomes an empty array, and anything else is given back as it is.
// Raises std::bad_alloc, or _com_error(DISP_E_BADVARTYPE) for a multi-dimensional array or an element
// type a VARIANT cannot hold by value (VT_DECIMAL, VT_RECORD).
WINDOWSUTILS_HOSTKIT_API _variant_t ScriptResult(_variant_t&& written);

// A new VT_ARRAY|VT_VARIANT (lower bound 0) holding copies of the values; std::bad_alloc or _com_error.
WINDOWSUTILS_HOSTKIT_API _variant_t ScriptArray(std::span<const _variant_t> values);

} // namespace HostKit
