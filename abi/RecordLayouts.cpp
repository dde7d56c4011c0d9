// The layout of every record that crosses the library's interface, in bytes, as the Linux build's
// recorded interface (abi/libWindowsUtils.abi, abi/libgkern.abi) gives it. A check of its own in every
// build (the RecordLayouts target, run by the test RecordLayouts.MatchTheRecordedInterface), compiled with
// -fno-access-control to reach private fields: a build whose compiler lays a record out otherwise fails
// here and names the record. scripts/lib/check-record-layouts holds every RECORD_ row against abi/, so
// the table cannot drift from the recorded interface. One row a line, as that script reads them.
#include <WindowsUtils.h>

#include <cstddef>

// The kernel's arrays have virtual functions, so their layout is the compiler's to choose by the
// standard's letter; GCC, mingw-w64 and the Microsoft C++ ABI agree on it, and that is what is checked.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define RECORD_SIZE(record, size, alignment)                                                                 \
    static_assert(sizeof(record) == (size) && alignof(record) == (alignment),                                \
                  "the size or alignment of " #record " differs from the recorded interface");
#define RECORD_FIELD(record, field, offset)                                                                  \
    static_assert(offsetof(record, field) == (offset),                                                       \
                  "the offset of " #record "::" #field " differs from the recorded interface");

RECORD_SIZE(SArray<double>, 40, 8)
RECORD_FIELD(SArray<double>, count, 8)
RECORD_FIELD(SArray<double>, capacity, 16)
RECORD_FIELD(SArray<double>, growthStep, 24)
RECORD_FIELD(SArray<double>, storage, 32)
RECORD_SIZE(SArray<MbCartPoint3D>, 40, 8)
RECORD_FIELD(SArray<MbCartPoint3D>, storage, 32)
RECORD_SIZE(SArray<MbMatrix3D>, 40, 8)

RECORD_SIZE(RPArray<_variant_t>, 40, 8)
RECORD_FIELD(RPArray<_variant_t>, count, 8)
RECORD_FIELD(RPArray<_variant_t>, capacity, 16)
RECORD_FIELD(RPArray<_variant_t>, growthStep, 24)
RECORD_FIELD(RPArray<_variant_t>, storage, 32)
RECORD_SIZE(PArray<_variant_t>, 56, 8)
RECORD_FIELD(PArray<_variant_t>, ownsElements, 40)
RECORD_FIELD(PArray<_variant_t>, beingDeleted, 48)
RECORD_SIZE(RPArray<old::string>, 40, 8)
RECORD_SIZE(PArray<old::string>, 56, 8)
RECORD_FIELD(PArray<old::string>, ownsElements, 40)
RECORD_FIELD(PArray<old::string>, beingDeleted, 48)

RECORD_SIZE(old::string, 24, 8)
RECORD_FIELD(old::string, text, 0)
RECORD_FIELD(old::string, length, 8)
RECORD_FIELD(old::string, auxiliary, 16)

RECORD_SIZE(zfont::FontParams, 72, 8)
RECORD_FIELD(zfont::FontParams, faceName, 0)
RECORD_FIELD(zfont::FontParams, size, 32)
RECORD_FIELD(zfont::FontParams, firstFactor, 40)
RECORD_FIELD(zfont::FontParams, angle, 48)
RECORD_FIELD(zfont::FontParams, secondFactor, 56)
RECORD_FIELD(zfont::FontParams, italic, 64)
RECORD_FIELD(zfont::FontParams, bold, 65)

RECORD_SIZE(SquareMatrix<4>, 136, 8)
RECORD_FIELD(SquareMatrix<4>, element, 0)
RECORD_FIELD(SquareMatrix<4>, flag, 128)
RECORD_SIZE(MbMatrix3D, 136, 8)
RECORD_SIZE(SquareMatrix<3>, 80, 8)
RECORD_FIELD(SquareMatrix<3>, element, 0)
RECORD_FIELD(SquareMatrix<3>, flag, 72)
RECORD_SIZE(MbMatrix, 80, 8)

RECORD_SIZE(MbCartPoint, 16, 8)
RECORD_FIELD(MbCartPoint, y, 8)
RECORD_SIZE(MbCartPoint3D, 24, 8)
RECORD_FIELD(MbCartPoint3D, y, 8)
RECORD_FIELD(MbCartPoint3D, z, 16)
RECORD_SIZE(MbFloatPoint, 8, 4)
RECORD_FIELD(MbFloatPoint, y, 4)
RECORD_SIZE(MbFloatPoint3D, 12, 4)
RECORD_FIELD(MbFloatPoint3D, y, 4)
RECORD_FIELD(MbFloatPoint3D, z, 8)
RECORD_SIZE(MbFloatVector3D, 12, 4)
RECORD_FIELD(MbFloatVector3D, y, 4)
RECORD_FIELD(MbFloatVector3D, z, 8)

RECORD_SIZE(VARIANT, 24, 8)
RECORD_SIZE(_variant_t, 24, 8)
RECORD_SIZE(SAFEARRAY, 32, 8)

// What a Visual C++ host catches: _com_error as Microsoft documents the class, a virtual destructor first.
#if defined(_MSC_VER)
#define PUBLISHED_SIZE(record, size, alignment) RECORD_SIZE(record, size, alignment)
#define PUBLISHED_FIELD(record, field, offset) RECORD_FIELD(record, field, offset)
PUBLISHED_SIZE(_com_error, 32, 8)
PUBLISHED_FIELD(_com_error, m_hresult, 8)
PUBLISHED_FIELD(_com_error, m_perrinfo, 16)
PUBLISHED_FIELD(_com_error, m_pszMsg, 24)
#endif

#pragma GCC diagnostic pop
