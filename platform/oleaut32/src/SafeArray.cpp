#include "ValueCopies.h"

#include <FaultInjection.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

using namespace oleaut32;

namespace {

// The 16 bytes before every descriptor we allocate say what the elements are: the interface of an
// interface array, otherwise the element's VARTYPE in the last word.
union DescriptorPrefix {
    IID iid;
    DWORD words[4];
};
static_assert(sizeof(DescriptorPrefix) == 16);

constexpr USHORT elementTypeFeatures = FADF_HAVEIID | FADF_HAVEVARTYPE;
// How the original was made and stored: a copy is an ordinary array on the heap, so it carries none of
// these, not even the vector flag (measured: a vector's 0x2080 is copied as 0x0080).
constexpr USHORT creationFeatures =
    FADF_AUTO | FADF_STATIC | FADF_EMBEDDED | FADF_FIXEDSIZE | FADF_CREATEVECTOR;
constexpr std::size_t dataAlignment = 16;

struct ElementLayout {
    ULONG size;
    USHORT features;
};

std::optional<ElementLayout> layoutOf(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return ElementLayout{sizeof(BYTE), FADF_HAVEVARTYPE};
    case VT_I2:
    case VT_UI2:
        return ElementLayout{sizeof(SHORT), FADF_HAVEVARTYPE};
    case VT_BOOL:
        return ElementLayout{sizeof(VARIANT_BOOL), FADF_HAVEVARTYPE};
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        return ElementLayout{sizeof(LONG), FADF_HAVEVARTYPE};
    case VT_R4:
        return ElementLayout{sizeof(FLOAT), FADF_HAVEVARTYPE};
    case VT_ERROR:
        return ElementLayout{sizeof(SCODE), FADF_HAVEVARTYPE};
    case VT_R8:
    case VT_DATE:
        return ElementLayout{sizeof(DOUBLE), FADF_HAVEVARTYPE};
    case VT_CY:
        return ElementLayout{sizeof(CY), FADF_HAVEVARTYPE};
    case VT_I8:
    case VT_UI8:
        return ElementLayout{sizeof(LONGLONG), FADF_HAVEVARTYPE};
    case VT_DECIMAL:
        return ElementLayout{sizeof(DECIMAL), FADF_HAVEVARTYPE};
    case VT_BSTR:
        return ElementLayout{sizeof(BSTR), FADF_BSTR | FADF_HAVEVARTYPE};
    case VT_VARIANT:
        return ElementLayout{sizeof(VARIANT), FADF_VARIANT | FADF_HAVEVARTYPE};
    case VT_DISPATCH:
        return ElementLayout{sizeof(IDispatch*), FADF_DISPATCH | FADF_HAVEIID};
    case VT_UNKNOWN:
        return ElementLayout{sizeof(IUnknown*), FADF_UNKNOWN | FADF_HAVEIID};
    default:
        return std::nullopt;
    }
}

enum class ElementKind { number, string, variant, object };

ElementKind kindOf(const SAFEARRAY& array) {
    if ((array.fFeatures & FADF_BSTR) != 0)
        return ElementKind::string;
    if ((array.fFeatures & FADF_VARIANT) != 0)
        return ElementKind::variant;
    if ((array.fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) != 0)
        return ElementKind::object;
    return ElementKind::number;
}

DescriptorPrefix& prefixOf(SAFEARRAY* array) {
    return *reinterpret_cast<DescriptorPrefix*>(reinterpret_cast<std::byte*>(array) -
                                                sizeof(DescriptorPrefix));
}

std::atomic_ref<ULONG> locksOf(SAFEARRAY* array) {
    return std::atomic_ref<ULONG>(array->cLocks);
}

// The number of elements, refused beyond 32 bits like every count of the descriptor.
std::optional<ULONG> cellCount(const SAFEARRAYBOUND* bounds, UINT dimensions) {
    ULONGLONG count = 1;
    for (UINT dimension = 0; dimension < dimensions; ++dimension) {
        count *= bounds[dimension].cElements;
        if (count > std::numeric_limits<ULONG>::max())
            return std::nullopt;
    }
    return static_cast<ULONG>(count);
}

std::size_t dataOffset(USHORT dimensions) {
    const std::size_t end =
        sizeof(DescriptorPrefix) + offsetof(SAFEARRAY, rgsabound) + dimensions * sizeof(SAFEARRAYBOUND);
    return (end + dataAlignment - 1) / dataAlignment * dataAlignment;
}

// One zeroed block holds prefix, descriptor and data, so the data pointer is never null, even for no
// elements. The caller fills in the bounds.
SAFEARRAY* allocate(USHORT dimensions, ULONG cells, ULONG elementSize, USHORT features) {
    const ULONGLONG dataSize = static_cast<ULONGLONG>(cells) * elementSize;
    if (dataSize > std::numeric_limits<ULONG>::max())
        return nullptr;
    if (FaultInjection::Fails(FaultInjection::Operation::SafeArrayAllocation))
        return nullptr;
    auto* block = static_cast<std::byte*>(std::calloc(1, dataOffset(dimensions) + dataSize));
    if (block == nullptr)
        return nullptr;
    auto* array = reinterpret_cast<SAFEARRAY*>(block + sizeof(DescriptorPrefix));
    array->cDims = dimensions;
    array->fFeatures = features;
    array->cbElements = elementSize;
    array->cLocks = 0;
    array->pvData = block + dataOffset(dimensions);
    return array;
}

void recordElementType(SAFEARRAY* array, VARTYPE vt) {
    if ((array->fFeatures & FADF_HAVEIID) != 0)
        prefixOf(array).iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    else
        prefixOf(array).words[3] = vt;
}

// The cell of the element at the given indices, first dimension first; the first dimension varies fastest.
std::optional<std::size_t> cellIndex(const SAFEARRAY& array, const LONG* indices) {
    std::size_t cell = 0;
    std::size_t stride = 1;
    for (USHORT dimension = 0; dimension < array.cDims; ++dimension) {
        const SAFEARRAYBOUND& bound = array.rgsabound[array.cDims - 1 - dimension];
        const LONGLONG offset = static_cast<LONGLONG>(indices[dimension]) - bound.lLbound;
        if (offset < 0 || offset >= static_cast<LONGLONG>(bound.cElements))
            return std::nullopt;
        cell += static_cast<std::size_t>(offset) * stride;
        stride *= bound.cElements;
    }
    return cell;
}

void* cellAddress(const SAFEARRAY& array, std::size_t cell) {
    return static_cast<std::byte*>(array.pvData) + cell * array.cbElements;
}

// Runs code that may call into foreign objects (AddRef, Release) with the array locked, so that
// code cannot destroy it underneath.
template <typename Operation>
HRESULT whileLocked(SAFEARRAY* array, Operation operation) {
    SafeArrayLock(array);
    const HRESULT result = operation();
    SafeArrayUnlock(array);
    return result;
}

HRESULT putObject(SAFEARRAY* array, IUnknown** slot, IUnknown* object) {
    return whileLocked(array, [&] {
        addReference(object);
        IUnknown* old = *slot;
        *slot = object;
        release(old);
        return S_OK;
    });
}

// Writers put one number at a time: fixed-size copies for the usual widths spare a call to memcpy.
void copyNumber(void* to, const void* from, ULONG size) {
    switch (size) {
    case 8:
        std::memcpy(to, from, 8);
        break;
    case 4:
        std::memcpy(to, from, 4);
        break;
    case 2:
        std::memcpy(to, from, 2);
        break;
    default:
        std::memcpy(to, from, size);
        break;
    }
}

void copyObject(IUnknown* object, IUnknown** copy) {
    addReference(object);
    *copy = object;
}

HRESULT putString(BSTR* slot, BSTR text) {
    BSTR copy = duplicateString(text);
    if (copy == nullptr)
        return E_OUTOFMEMORY;
    SysFreeString(*slot);
    *slot = copy;
    return S_OK;
}

void releaseElements(SAFEARRAY* array, ULONG cells) {
    const ElementKind kind = kindOf(*array);
    for (ULONG cell = 0; cell < cells && kind != ElementKind::number; ++cell) {
        void* slot = cellAddress(*array, cell);
        if (kind == ElementKind::string)
            SysFreeString(*static_cast<BSTR*>(slot));
        else if (kind == ElementKind::variant)
            VariantClear(static_cast<VARIANT*>(slot));
        else
            release(*static_cast<IUnknown**>(slot));
    }
}

// An element VariantCopy refuses for its type stays VT_EMPTY in the copy and the copy goes on: measured,
// and the copy's documented results are only S_OK, E_INVALIDARG and E_OUTOFMEMORY.
HRESULT copyVariantElement(VARIANT* to, VARIANT* from) {
    const HRESULT result = VariantCopy(to, from);
    return result == DISP_E_BADVARTYPE ? S_OK : result;
}

// Fills the zeroed cells of target with copies of the source's elements.
HRESULT copyElements(const SAFEARRAY& source, SAFEARRAY* target, ULONG cells) {
    const ElementKind kind = kindOf(source);
    if (kind == ElementKind::number) {
        std::memcpy(target->pvData, source.pvData, static_cast<std::size_t>(cells) * source.cbElements);
        return S_OK;
    }
    for (ULONG cell = 0; cell < cells; ++cell) {
        void* from = cellAddress(source, cell);
        void* to = cellAddress(*target, cell);
        HRESULT result = S_OK;
        if (kind == ElementKind::string)
            result = copyString(*static_cast<BSTR*>(from), static_cast<BSTR*>(to));
        else if (kind == ElementKind::variant)
            result = copyVariantElement(static_cast<VARIANT*>(to), static_cast<VARIANT*>(from));
        else
            copyObject(*static_cast<IUnknown**>(from), static_cast<IUnknown**>(to));
        if (FAILED(result))
            return result;
    }
    return S_OK;
}

// The cell that indices name, its bounds checked in every dimension.
HRESULT findCell(SAFEARRAY* array, LONG* indices, void*& slot) {
    if (array == nullptr || indices == nullptr)
        return E_INVALIDARG;
    const std::optional<std::size_t> cell = cellIndex(*array, indices);
    if (!cell)
        return DISP_E_BADINDEX;
    slot = cellAddress(*array, *cell);
    return S_OK;
}

// Any element of any array, the bounds checked in every dimension.
[[gnu::noinline]] HRESULT putElement(SAFEARRAY* array, LONG* indices, void* element) {
    if (FaultInjection::Fails(FaultInjection::Operation::SafeArrayPutElement))
        return E_OUTOFMEMORY;
    void* slot = nullptr;
    if (const HRESULT found = findCell(array, indices, slot); FAILED(found))
        return found;
    // Strings and interfaces come as the value itself, null allowed; the others through a pointer.
    switch (kindOf(*array)) {
    case ElementKind::string:
        return putString(static_cast<BSTR*>(slot), static_cast<BSTR>(element));
    case ElementKind::object:
        return putObject(array, static_cast<IUnknown**>(slot), static_cast<IUnknown*>(element));
    case ElementKind::variant:
        if (element == nullptr)
            return E_INVALIDARG;
        return whileLocked(
            array, [&] { return VariantCopy(static_cast<VARIANT*>(slot), static_cast<VARIANT*>(element)); });
    case ElementKind::number:
        break;
    }
    if (element == nullptr)
        return E_INVALIDARG;
    copyNumber(slot, element, array->cbElements);
    return S_OK;
}

const SAFEARRAYBOUND* boundOf(const SAFEARRAY& array, UINT dimension) {
    if (dimension < 1 || dimension > array.cDims)
        return nullptr;
    return &array.rgsabound[array.cDims - dimension];
}

} // namespace

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT dimensions, SAFEARRAYBOUND* bounds) {
    if (dimensions == 0 || dimensions > std::numeric_limits<USHORT>::max() || bounds == nullptr)
        return nullptr;
    const std::optional<ElementLayout> layout = layoutOf(vt);
    const std::optional<ULONG> cells = cellCount(bounds, dimensions);
    if (!layout || !cells)
        return nullptr;
    SAFEARRAY* array = allocate(static_cast<USHORT>(dimensions), *cells, layout->size, layout->features);
    if (array == nullptr)
        return nullptr;
    recordElementType(array, vt);
    // Stored last dimension first.
    for (UINT dimension = 0; dimension < dimensions; ++dimension)
        array->rgsabound[dimensions - 1 - dimension] = bounds[dimension];
    return array;
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    SAFEARRAYBOUND bound{elements, lowerBound};
    SAFEARRAY* array = SafeArrayCreate(vt, 1, &bound);
    if (array != nullptr)
        array->fFeatures |= FADF_CREATEVECTOR;
    return array;
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array) {
    if (array == nullptr)
        return S_OK;
    if (locksOf(array).load() != 0)
        return DISP_E_ARRAYISLOCKED;
    releaseElements(array, cellCount(array->rgsabound, array->cDims).value_or(0));
    std::free(&prefixOf(array));
    return S_OK;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
    if (copy == nullptr)
        return E_INVALIDARG;
    *copy = nullptr;
    if (source == nullptr)
        return S_OK;
    if (source->cDims == 0)
        return E_INVALIDARG;
    const std::optional<ULONG> cells = cellCount(source->rgsabound, source->cDims);
    const USHORT features = source->fFeatures & ~creationFeatures;
    SAFEARRAY* array = cells ? allocate(source->cDims, *cells, source->cbElements, features) : nullptr;
    if (array == nullptr)
        return E_OUTOFMEMORY;
    if ((features & elementTypeFeatures) != 0)
        prefixOf(array) = prefixOf(source);
    std::memcpy(array->rgsabound, source->rgsabound, source->cDims * sizeof(SAFEARRAYBOUND));
    const HRESULT result = copyElements(*source, array, *cells);
    if (FAILED(result)) {
        SafeArrayDestroy(array);
        return result;
    }
    *copy = array;
    return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* array) {
    if (array == nullptr)
        return E_INVALIDARG;
    locksOf(array).fetch_add(1);
    return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array) {
    if (array == nullptr)
        return E_INVALIDARG;
    std::atomic_ref<ULONG> locks = locksOf(array);
    ULONG held = locks.load();
    do {
        if (held == 0)
            return E_UNEXPECTED;
    } while (!locks.compare_exchange_weak(held, held - 1));
    return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (FaultInjection::Fails(FaultInjection::Operation::SafeArrayAccessData))
        return E_UNEXPECTED;
    if (array == nullptr || data == nullptr)
        return E_INVALIDARG;
    SafeArrayLock(array);
    *data = array->pvData;
    return S_OK;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array) {
    const HRESULT result = SafeArrayUnlock(array);
    return FaultInjection::Fails(FaultInjection::Operation::SafeArrayUnaccessData) ? E_UNEXPECTED : result;
}

HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* element) {
    // Writers put the numbers of a vector one by one: one bound to check and a fixed-size copy, with
    // everything else out of line so that this path needs no stack frame.
    if (FaultInjection::Planned() || array == nullptr || indices == nullptr || array->cDims != 1 ||
        element == nullptr || kindOf(*array) != ElementKind::number)
        return putElement(array, indices, element);
    const LONGLONG offset = static_cast<LONGLONG>(indices[0]) - array->rgsabound[0].lLbound;
    if (offset < 0 || offset >= static_cast<LONGLONG>(array->rgsabound[0].cElements))
        return DISP_E_BADINDEX;
    copyNumber(cellAddress(*array, static_cast<std::size_t>(offset)), element, array->cbElements);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* element) {
    if (element == nullptr)
        return E_INVALIDARG;
    void* slot = nullptr;
    if (const HRESULT found = findCell(array, indices, slot); FAILED(found))
        return found;
    switch (kindOf(*array)) {
    case ElementKind::string:
        return copyString(*static_cast<BSTR*>(slot), static_cast<BSTR*>(element));
    case ElementKind::object:
        return whileLocked(array, [&] {
            copyObject(*static_cast<IUnknown**>(slot), static_cast<IUnknown**>(element));
            return S_OK;
        });
    case ElementKind::variant:
        VariantInit(static_cast<VARIANT*>(element));
        return whileLocked(
            array, [&] { return VariantCopy(static_cast<VARIANT*>(element), static_cast<VARIANT*>(slot)); });
    case ElementKind::number:
        break;
    }
    copyNumber(element, slot, array->cbElements);
    return S_OK;
}

UINT WINAPI SafeArrayGetDim(SAFEARRAY* array) {
    return array != nullptr ? array->cDims : 0;
}

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array) {
    return array != nullptr ? array->cbElements : 0;
}

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound) {
    if (array == nullptr || lowerBound == nullptr)
        return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = boundOf(*array, dimension);
    if (bound == nullptr)
        return DISP_E_BADINDEX;
    *lowerBound = bound->lLbound;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound) {
    if (array == nullptr || upperBound == nullptr)
        return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = boundOf(*array, dimension);
    if (bound == nullptr)
        return DISP_E_BADINDEX;
    *upperBound = static_cast<LONG>(static_cast<LONGLONG>(bound->lLbound) + bound->cElements - 1);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
    if (array == nullptr || vt == nullptr)
        return E_INVALIDARG;
    if ((array->fFeatures & FADF_HAVEVARTYPE) != 0)
        *vt = static_cast<VARTYPE>(prefixOf(array).words[3]);
    else if ((array->fFeatures & FADF_HAVEIID) != 0)
        *vt = (array->fFeatures & FADF_DISPATCH) != 0 ? VT_DISPATCH : VT_UNKNOWN;
    else
        return E_INVALIDARG;
    return S_OK;
}
