#include "Arguments.h"

#include <olectl.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace Hostile {

namespace {

constexpr DISPID lengthId = 1000;
constexpr DISPID firstElementId = 2000;
constexpr HRESULT elementError = static_cast<HRESULT>(0x80040999);

constexpr VARTYPE scalarTypes[] = {VT_EMPTY, VT_NULL, VT_I2,    VT_I4,   VT_R4,      VT_R8,  VT_CY,
                                   VT_DATE,  VT_BSTR, VT_ERROR, VT_BOOL, VT_DECIMAL, VT_I1,  VT_UI1,
                                   VT_UI2,   VT_UI4,  VT_I8,    VT_UI8,  VT_INT,     VT_UINT};
constexpr VARTYPE elementTypes[] = {
    VT_I1, VT_UI1, VT_I2,   VT_UI2,  VT_I4,   VT_UI4,   VT_INT,     VT_UINT,    VT_I8,       VT_UI8,    VT_R4,
    VT_R8, VT_CY,  VT_DATE, VT_BSTR, VT_BOOL, VT_ERROR, VT_DECIMAL, VT_VARIANT, VT_DISPATCH, VT_UNKNOWN};
constexpr double doubles[] = {0.0,
                              -0.0,
                              1.0,
                              -1.5,
                              2.5,
                              1e15,
                              1e308,
                              -1e308,
                              4.9e-324,
                              2147483647.5,
                              -2147483648.5,
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
constexpr const wchar_t* texts[] = {L"",       L"1.5",        L" -2 ",   L"1e308",     L"1e309",
                                    L"&H7FFF", L"NaN",        L"#TRUE#", L"True",      L"x",
                                    L"3",      L"12/31/1999", L"\xD800", L"4294967295"};
constexpr LONG lowerBounds[] = {0, 1, -1, -5, 7, 0x7FFFFFF0, -0x7FFFFFFF - 1};

// An element's width as the platform lays arrays out: its answer, not a table of ours.
ULONG Width(VARTYPE type) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, 0);
    const ULONG width = array != nullptr ? array->cbElements : 8;
    SafeArrayDestroy(array);
    return width;
}

// The bits of a scalar of `type` (no pointers), into `to` (16 bytes).
void ScalarBits(Random& random, VARTYPE type, void* to) {
    std::memset(to, 0, 16);
    switch (type) {
    case VT_R8: {
        const double value = random.Percent(70) ? random.Pick(doubles) : std::bit_cast<double>(random.Next());
        std::memcpy(to, &value, sizeof(value));
        break;
    }
    case VT_R4: {
        const auto value = random.Percent(70)
                               ? static_cast<float>(random.Pick(doubles))
                               : std::bit_cast<float>(static_cast<std::uint32_t>(random.Next()));
        std::memcpy(to, &value, sizeof(value));
        break;
    }
    case VT_DATE: {
        constexpr double dates[] = {0.0, -657434.0, 2958465.0, 2958466.0, 1e10, 36525.5};
        const double value = random.Pick(dates);
        std::memcpy(to, &value, sizeof(value));
        break;
    }
    case VT_BOOL: {
        constexpr VARIANT_BOOL flags[] = {VARIANT_TRUE, VARIANT_FALSE, 1, 2};
        std::memcpy(to, &random.Pick(flags), sizeof(VARIANT_BOOL));
        break;
    }
    case VT_DECIMAL: {
        DECIMAL value{};
        // Scales beyond 28 are left out: Wine's text conversion overflows on them (FuzzReplay.PlatformGaps).
        value.scale = static_cast<BYTE>(random.Below(29));
        value.sign = random.Percent(50) ? DECIMAL_NEG : 0;
        value.Hi32 = random.Percent(50) ? 0 : static_cast<ULONG>(random.Next());
        value.Lo64 = random.Next() >> random.Below(64);
        std::memcpy(to, &value, sizeof(value));
        break;
    }
    default: {
        // Whole numbers: small ones, the extremes, or any bits.
        const std::uint64_t choice = random.Below(4);
        const std::uint64_t value = choice == 0   ? random.Below(7)
                                    : choice == 1 ? ~std::uint64_t{0}
                                    : choice == 2 ? 0x8000000000000000ull >> (64 - 8 * Width(type))
                                                  : random.Next();
        std::memcpy(to, &value, Width(type));
    }
    }
}

// A guarded copy of `bytes` that ends where an unreadable page begins: reading past it faults.
void* GuardedData(const void* bytes, std::size_t size) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t pages = (size + page - 1) / page + 1;
    auto* base =
        static_cast<BYTE*>(VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base == nullptr)
        return nullptr;
    DWORD old = 0;
    VirtualProtect(base + (pages - 1) * page, page, PAGE_NOACCESS, &old);
    BYTE* data = base + (pages - 1) * page - size;
    std::memcpy(data, bytes, size);
    return data;
}

void FreeGuarded(void* data) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(data, &region, sizeof(region)) != 0)
        VirtualFree(region.AllocationBase, 0, MEM_RELEASE);
}

} // namespace

// --- PosingArray ------------------------------------------------------------------------------------

PosingArray::Behaviour PosingArray::Behaviour::OfNumbers(long count) {
    Behaviour behaviour;
    behaviour.known = count;
    behaviour.length.vt = VT_I4;
    behaviour.length.lVal = count;
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_R8;
    number.dblVal = 1.5;
    behaviour.values.push_back(number);
    behaviour.kinds.push_back(Element::Value);
    return behaviour;
}

PosingArray::PosingArray(Behaviour behaviour, IDispatch* host, DISPID numbersId)
    : behaviour_(std::move(behaviour)), host_(host), numbersId_(numbersId) {}

PosingArray::~PosingArray() {
    VariantClear(&behaviour_.length);
    for (VARIANT& value : behaviour_.values)
        VariantClear(&value);
}

bool PosingArray::HasHole() const {
    return behaviour_.hole >= 0;
}

bool PosingArray::Honest() const {
    if (behaviour_.lengthRaises || behaviour_.length.vt != VT_I4 ||
        behaviour_.length.lVal != behaviour_.known || behaviour_.hole >= 0)
        return false;
    for (Element kind : behaviour_.kinds)
        if (kind != Element::Value)
            return false;
    return true;
}

ULONG STDMETHODCALLTYPE PosingArray::Release() {
    const ULONG count = DispatchObject::Release();
    if (count == 0)
        delete this;
    return count;
}

HRESULT STDMETHODCALLTYPE PosingArray::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr)
        return E_POINTER;
    HRESULT result = S_OK;
    for (UINT index = 0; index < count; ++index) {
        ids[index] = DISPID_UNKNOWN;
        const wchar_t* name = names[index];
        if (index == 0 && name != nullptr) {
            if (std::wcscmp(name, L"length") == 0 && behaviour_.length.vt != VT_EMPTY) {
                ids[0] = lengthId;
            } else if (*name != L'\0' && std::wcsspn(name, L"0123456789") == std::wcslen(name) &&
                       std::wcslen(name) < 6) {
                const long element = std::wcstol(name, nullptr, 10);
                if (element < behaviour_.known && element != behaviour_.hole)
                    ids[0] = firstElementId + element;
            }
        }
        if (ids[index] == DISPID_UNKNOWN)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE PosingArray::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                              VARIANT* result, EXCEPINFO* exception, UINT*) {
    const auto raise = [&](const wchar_t* description) {
        if (exception == nullptr)
            return elementError;
        *exception = EXCEPINFO{};
        exception->scode = elementError;
        exception->bstrSource = SysAllocString(L"PosingArray");
        exception->bstrDescription = SysAllocString(description);
        return DISP_E_EXCEPTION;
    };
    if (id == lengthId && behaviour_.length.vt != VT_EMPTY) {
        if (behaviour_.lengthRaises)
            return raise(L"length raised");
        return result != nullptr ? VariantCopy(result, &behaviour_.length) : S_OK;
    }
    if (id >= firstElementId && id < firstElementId + behaviour_.known) {
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            ++puts_;
            return S_OK;
        }
        const auto element = static_cast<std::size_t>(id - firstElementId);
        switch (behaviour_.kinds[element % behaviour_.kinds.size()]) {
        case Element::Raises:
            return raise(L"element raised");
        case Element::Fails:
            return DISP_E_TYPEMISMATCH;
        case Element::CallsHost: {
            // The host called again from inside its own call: Numbers of two numbers.
            SAFEARRAY* numbers = SafeArrayCreateVector(VT_R8, 0, 2);
            if (numbers == nullptr)
                return E_OUTOFMEMORY;
            VARIANT argument;
            argument.vt = VT_ARRAY | VT_R8;
            argument.parray = numbers;
            DISPPARAMS parameters{&argument, nullptr, 1, 0};
            VARIANT answer;
            VariantInit(&answer);
            const HRESULT outcome = host_->Invoke(numbersId_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                  &parameters, &answer, exception, nullptr);
            SafeArrayDestroy(numbers);
            if (result != nullptr)
                *result = answer;
            else
                VariantClear(&answer);
            return outcome;
        }
        case Element::Value:
            break;
        }
        return result != nullptr ? VariantCopy(result, &behaviour_.values[element % behaviour_.values.size()])
                                 : S_OK;
    }
    if (behaviour_.answersUnknown) {
        if (result != nullptr)
            VariantInit(result);
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

// --- Arena --------------------------------------------------------------------------------------------

Arena::~Arena() {
    // Every lie undone first, so that the platform frees what it made.
    for (auto it = lies_.rbegin(); it != lies_.rend(); ++it)
        it->value->vt = it->type;
    for (const KeptArray& kept : arrays_) {
        for (ULONG lock = kept.array->cLocks; lock > kept.locks; --lock)
            SafeArrayUnlock(kept.array);
        kept.array->fFeatures = kept.features;
        kept.array->cDims = kept.dimensions;
        if (kept.guarded != nullptr) {
            kept.array->pvData = kept.data;
            FreeGuarded(kept.guarded);
        }
    }
    for (VARIANT& argument : arguments_)
        VariantClear(&argument);
    for (VARIANT& value : referencedValues_)
        VariantClear(&value);
    for (BSTR text : texts_)
        SysFreeString(text);
    for (SAFEARRAY* array : referencedArrays_)
        if (array != nullptr)
            SafeArrayDestroy(array);
    for (IUnknown* object : referencedObjects_)
        if (object != nullptr)
            object->Release();
}

std::vector<VARIANT>& Arena::Arguments(std::size_t count) {
    arguments_.resize(count);
    for (VARIANT& argument : arguments_)
        VariantInit(&argument);
    return arguments_;
}

void Arena::Any(VARIANT& value, int depth) {
    const std::uint32_t choice = random_.Below(100);
    if (choice < 6 && reach_ == Reach::InProcess && depth == 0) {
        // No valid type: a vector, a reserved bit, a number beyond the types. The payload is zero.
        constexpr VARTYPE invalid[] = {VT_VECTOR | VT_I4,   VT_RESERVED | VT_R8, 0x0FFF,  VT_ARRAY | 0x0FFF,
                                       VT_ARRAY | VT_EMPTY, VT_BSTR_BLOB,        VT_VOID, VT_HRESULT};
        value.vt = random_.Pick(invalid);
        value.llVal = 0;
        value.parray = nullptr;
    } else if (choice < 45) {
        Scalar(value, random_.Pick(scalarTypes));
    } else if (choice < 70 && depth < 3) {
        Array(value, depth);
    } else if (choice < 82 && depth < 3) {
        Reference(value, depth);
    } else if (choice < 94) {
        Object(value, random_.Percent(80) ? VT_DISPATCH : VT_UNKNOWN, depth);
    } else {
        NumberList(value, random_.Below(10), true);
    }
}

void Arena::Scalar(VARIANT& value, VARTYPE type) {
    VariantInit(&value);
    if (type == VT_BSTR) {
        Text(value.bstrVal);
    } else if (type != VT_EMPTY && type != VT_NULL) {
        BYTE bits[16];
        ScalarBits(random_, type, bits);
        if (type == VT_DECIMAL)
            std::memcpy(&value.decVal, bits, sizeof(DECIMAL));
        else
            std::memcpy(&value.llVal, bits, 8);
    }
    value.vt = type;
}

void Arena::Text(BSTR& text) {
    switch (random_.Below(6)) {
    case 0:
        text = nullptr;
        hasNullText_ = true;
        return;
    case 1:
        text = SysAllocStringLen(L"1\0 2", 4); // an embedded NUL
        return;
    case 2: {
        // An odd byte length: the last character is half there.
        const char bytes[] = "1.52";
        text = SysAllocStringByteLen(bytes, 1 + 2 * random_.Below(2));
        hasOddText_ = true;
        return;
    }
    case 3: {
        std::wstring characters(random_.Percent(10) ? 1000 : random_.Below(12), L'7');
        for (wchar_t& character : characters)
            if (random_.Percent(30))
                character = static_cast<wchar_t>(random_.Below(0x10000));
        text = SysAllocStringLen(characters.data(), static_cast<UINT>(characters.size()));
        return;
    }
    default:
        text = SysAllocString(random_.Pick(texts));
    }
}

SAFEARRAY* Arena::Keep(SAFEARRAY* array) {
    if (array != nullptr)
        arrays_.push_back({array, array->fFeatures, array->cLocks, array->cDims, nullptr});
    return array;
}

void Arena::Array(VARIANT& value, int depth) {
    VariantInit(&value);
    // Wine's marshaling gives an array under a reference of two or more dimensions back with its bounds
    // reversed, and one of objects or VARIANTs back broken (the client's own array could not even be
    // freed), and one of DECIMALs back zeroed. Across processes, arrays under a reference are
    // one-dimensional arrays of plain values other than DECIMALs.
    const bool crossing = reach_ == Reach::CrossProcess && insideReference_ > 0;
    VARTYPE type = random_.Pick(elementTypes);
    while (crossing &&
           (type == VT_VARIANT || type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_DECIMAL))
        type = random_.Pick(elementTypes);
    const UINT dimensions = crossing ? random_.Below(2) : random_.Below(4);
    if (dimensions == 0) {
        value.vt = VT_ARRAY | type; // no descriptor at all
        value.parray = nullptr;
        return;
    }
    SAFEARRAYBOUND bounds[3];
    ULONG total = 1;
    for (UINT dimension = 0; dimension < dimensions; ++dimension) {
        bounds[dimension].cElements = random_.Percent(10) ? 20 + random_.Below(30) : random_.Below(5);
        if (total * bounds[dimension].cElements > 64)
            bounds[dimension].cElements = 1;
        total *= bounds[dimension].cElements;
        bounds[dimension].lLbound = random_.Percent(70) ? 0 : random_.Pick(lowerBounds);
    }
    SAFEARRAY* array = SafeArrayCreate(type, dimensions, bounds);
    if (array == nullptr) {
        value.vt = VT_ERROR; // the platform would not make it (a bound beyond the range): no array then
        value.scode = DISP_E_PARAMNOTFOUND;
        return;
    }
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < total; ++index) {
        BYTE* element = static_cast<BYTE*>(data) + std::size_t{index} * array->cbElements;
        // The array owns what its elements hold.
        if (type == VT_BSTR)
            Text(*reinterpret_cast<BSTR*>(element));
        else if (type == VT_VARIANT)
            Any(*reinterpret_cast<VARIANT*>(element), depth + 1);
        else if (type == VT_DISPATCH || type == VT_UNKNOWN) {
            VARIANT object;
            Object(object, type, depth + 1);
            *reinterpret_cast<IUnknown**>(element) = object.punkVal; // the reference moves into the array
        } else {
            BYTE bits[16];
            ScalarBits(random_, type, bits);
            std::memcpy(element, bits, array->cbElements);
        }
    }
    SafeArrayUnaccessData(array);
    value.vt = VT_ARRAY | type;
    value.parray = array;
    if (reach_ == Reach::InProcess && depth == 0 && random_.Percent(25))
        Lie(value, array, type);
}

void Arena::Lie(VARIANT& value, SAFEARRAY* array, VARTYPE elementType) {
    Keep(array);
    switch (random_.Below(allowTypeLies_ ? 5 : 3)) {
    case 0: {
        // Features that forbid freeing or resizing it, or that say it knows no element type.
        constexpr USHORT features[] = {FADF_STATIC, FADF_EMBEDDED, FADF_FIXEDSIZE, FADF_AUTO};
        if (random_.Percent(70))
            array->fFeatures |= random_.Pick(features);
        else
            array->fFeatures &= ~FADF_HAVEVARTYPE;
        return;
    }
    case 1:
        SafeArrayLock(array); // held locked by the client
        return;
    case 2:
        array->cDims = 0; // says it has no dimension
        return;
    default: {
        // A VARIANT that names another element type than its array's, of another width; the data sits just
        // before an unreadable page, so whoever reads by the VARIANT's type instead of the array's faults.
        // Mostly VT_VARIANT: the host walks VARIANT arrays itself.
        VARTYPE claimed = random_.Percent(50) ? VARTYPE{VT_VARIANT} : elementType;
        while (Width(claimed) == array->cbElements)
            claimed = random_.Pick(elementTypes);
        if (elementType == VT_BSTR || elementType == VT_VARIANT || elementType == VT_DISPATCH ||
            elementType == VT_UNKNOWN)
            return; // their elements are owned: the data stays where the platform put it
        ULONG total = 1;
        for (USHORT dimension = 0; dimension < array->cDims; ++dimension)
            total *= array->rgsabound[dimension].cElements;
        const std::size_t size = std::size_t{total} * array->cbElements;
        void* guarded = GuardedData(array->pvData, size);
        if (guarded == nullptr)
            return;
        arrays_.back().guarded = guarded;
        arrays_.back().data = array->pvData;
        array->pvData = guarded;
        lies_.push_back({&value, value.vt});
        value.vt = VT_ARRAY | claimed;
        typeLies_ = true;
    }
    }
}

void Arena::Reference(VARIANT& value, int depth) {
    VariantInit(&value);
    struct Inside {
        int& level;
        explicit Inside(int& level) : level(++level) {}
        ~Inside() { --level; }
    } inside(insideReference_);
    const UINT levels = 1 + random_.Below(3);
    VARIANT* at = &value;
    for (UINT level = 1; level < levels; ++level) {
        VARIANT& inner = referencedValues_.emplace_back();
        VariantInit(&inner);
        at->vt = VT_BYREF | VT_VARIANT;
        at->pvarVal = &inner;
        at = &inner;
    }
    // The last level: a reference to a slot of some type. Each slot is taken before its value is made,
    // which may take further slots: deques keep every slot where it is.
    const std::uint32_t choice = random_.Below(10);
    if (choice < 2) {
        SAFEARRAY*& slot = referencedArrays_.emplace_back(nullptr);
        VARIANT array;
        Array(array, depth + 1);
        const bool made = (array.vt & VT_ARRAY) != 0;
        slot = made ? array.parray : nullptr;
        at->vt = static_cast<VARTYPE>(VT_BYREF | VT_ARRAY | (made ? array.vt & VT_TYPEMASK : VT_I4));
        at->pparray = &slot;
    } else if (choice < 4) {
        VARIANT& slot = referencedValues_.emplace_back();
        Any(slot, depth + 1);
        at->vt = VT_BYREF | VT_VARIANT;
        at->pvarVal = &slot;
    } else if (choice < 5) {
        IUnknown*& slot = referencedObjects_.emplace_back(nullptr);
        VARIANT object;
        const VARTYPE type = random_.Percent(80) ? VT_DISPATCH : VT_UNKNOWN;
        Object(object, type, depth + 1);
        slot = object.punkVal;
        at->vt = VT_BYREF | type;
        at->ppunkVal = &slot;
    } else {
        const VARTYPE type = random_.Pick(scalarTypes);
        if (type == VT_EMPTY || type == VT_NULL) {
            VARIANT& slot = referencedValues_.emplace_back();
            Scalar(slot, type);
            at->vt = VT_BYREF | VT_VARIANT;
            at->pvarVal = &slot;
        } else if (type == VT_BSTR) {
            BSTR& slot = texts_.emplace_back(nullptr);
            Text(slot);
            at->vt = VT_BYREF | VT_BSTR;
            at->pbstrVal = &slot;
        } else {
            std::array<BYTE, 16>& slot = scalars_.emplace_back();
            ScalarBits(random_, type, slot.data());
            at->vt = VT_BYREF | type;
            at->byref = slot.data();
        }
    }
}

void Arena::Object(VARIANT& value, VARTYPE type, int depth) {
    VariantInit(&value);
    IDispatch* object = nullptr;
    switch (random_.Below(6)) {
    case 0:
        break; // null
    case 1:
        object = host_;
        object->AddRef();
        break;
    case 2:
        object = NewFont();
        break;
    default:
        object = NewPosingArray(depth, random_.Percent(30));
    }
    value.vt = type;
    value.pdispVal = object; // an IDispatch is an IUnknown
}

IDispatch* Arena::NewFont() {
    FONTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    constexpr const wchar_t* faces[] = {L"Liberation Sans", L"Liberation Serif", L"", L"No such face"};
    description.lpstrName = const_cast<LPOLESTR>(random_.Pick(faces));
    description.cySize.int64 = static_cast<LONGLONG>(random_.Below(1000000));
    description.sWeight = static_cast<SHORT>(random_.Below(1000));
    description.fItalic = random_.Percent(50);
    IDispatch* font = nullptr;
    if (FAILED(OleCreateFontIndirect(&description, IID_IDispatch, reinterpret_cast<void**>(&font))))
        return nullptr;
    hasFont_ = true;
    return font;
}

IDispatch* Arena::NewPosingArray(int depth, bool withHole) {
    PosingArray::Behaviour behaviour;
    const long known = random_.Percent(10) ? 40 : static_cast<long>(random_.Below(6));
    behaviour.known = known;
    VARIANT& length = behaviour.length;
    switch (random_.Below(10)) {
    case 0: // a length beyond what exists, the elements after `known` missing
        length.vt = VT_R8;
        length.dblVal = random_.Percent(50) ? 2147483647.0 : 2147483648.0;
        break;
    case 1:
        length.vt = VT_R8;
        length.dblVal = random_.Percent(50) ? -1.0 : 2.5;
        break;
    case 2:
        Scalar(length, random_.Pick(scalarTypes));
        if (length.vt == VT_EMPTY) // no `length` at all
            break;
        break;
    case 3:
        behaviour.lengthRaises = true;
        length.vt = VT_I4;
        length.lVal = known;
        break;
    default:
        length.vt = VT_I4;
        length.lVal = known;
    }
    // A numeric text could name a length of billions: the text stays, the elements it names do not.
    if (withHole && known > 0)
        behaviour.hole = static_cast<long>(random_.Below(static_cast<std::uint32_t>(known)));
    behaviour.answersUnknown = random_.Percent(15);
    const UINT values = 1 + random_.Below(4);
    for (UINT index = 0; index < values; ++index) {
        VARIANT element;
        if (random_.Percent(70) || depth >= 2)
            Scalar(element, random_.Percent(70) ? VARTYPE{VT_R8} : random_.Pick(scalarTypes));
        else
            OwnedAny(element, depth + 1);
        behaviour.values.push_back(element);
        constexpr PosingArray::Element kinds[] = {PosingArray::Element::Value,    PosingArray::Element::Value,
                                                  PosingArray::Element::Value,    PosingArray::Element::Value,
                                                  PosingArray::Element::Raises,   PosingArray::Element::Fails,
                                                  PosingArray::Element::CallsHost};
        behaviour.kinds.push_back(random_.Pick(kinds));
        if (behaviour.kinds.back() == PosingArray::Element::CallsHost)
            hasCallBack_ = true;
    }
    auto* posing = new PosingArray(std::move(behaviour), host_, numbersId_);
    posing_.push_back(posing);
    return posing;
}

void Arena::OwnedAny(VARIANT& value, int depth) {
    // A value that owns all it holds (no references into this arena), to be kept by an object.
    do {
        Any(value, depth);
        if ((value.vt & VT_BYREF) == 0)
            return;
        VariantInit(&value);
    } while (true);
}

void Arena::NumberList(VARIANT& value, ULONG count, bool allowOdd) {
    VariantInit(&value);
    const bool typed = random_.Percent(40);
    SAFEARRAY* array = SafeArrayCreateVector(typed ? VT_R8 : VT_VARIANT,
                                             random_.Percent(80) ? 0 : random_.Pick(lowerBounds), count);
    if (array == nullptr)
        return;
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < count; ++index) {
        VARIANT number;
        Number(number);
        if (allowOdd && random_.Percent(3))
            Scalar(number, random_.Pick(scalarTypes));
        if (typed) {
            VARIANT converted;
            VariantInit(&converted);
            static_cast<double*>(data)[index] =
                SUCCEEDED(VariantChangeType(&converted, &number, 0, VT_R8)) ? converted.dblVal : 0.0;
            VariantClear(&number);
        } else {
            static_cast<VARIANT*>(data)[index] = number;
        }
    }
    SafeArrayUnaccessData(array);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | (typed ? VT_R8 : VT_VARIANT));
    value.parray = array;
}

void Arena::Number(VARIANT& value) {
    constexpr VARTYPE numberTypes[] = {VT_R8, VT_R8,  VT_R8,   VT_I4, VT_I2,
                                       VT_R4, VT_UI1, VT_BOOL, VT_CY, VT_I8};
    Scalar(value, random_.Pick(numberTypes));
    if (value.vt == VT_R8 && random_.Percent(60))
        value.dblVal = static_cast<double>(static_cast<std::int64_t>(random_.Below(2001)) - 1000) / 8;
}

void Arena::TextList(VARIANT& value) {
    VariantInit(&value);
    const ULONG count = random_.Below(8);
    const bool typed = random_.Percent(50);
    SAFEARRAY* array = SafeArrayCreateVector(typed ? VT_BSTR : VT_VARIANT, 0, count);
    if (array == nullptr)
        return;
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < count; ++index) {
        if (typed) {
            Text(static_cast<BSTR*>(data)[index]);
        } else {
            VARIANT& element = static_cast<VARIANT*>(data)[index];
            Scalar(element, random_.Percent(80) ? VARTYPE{VT_BSTR} : random_.Pick(scalarTypes));
        }
    }
    SafeArrayUnaccessData(array);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | (typed ? VT_BSTR : VT_VARIANT));
    value.parray = array;
}

void Arena::FontList(VARIANT& value) {
    VariantInit(&value);
    if (random_.Percent(30)) {
        value.vt = VT_DISPATCH;
        value.pdispVal = NewFont();
        return;
    }
    const ULONG count = random_.Below(4);
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, count);
    if (array == nullptr)
        return;
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < count; ++index) {
        VARIANT& element = static_cast<VARIANT*>(data)[index];
        element.vt = VT_DISPATCH;
        element.pdispVal = random_.Percent(90) ? NewFont() : nullptr;
    }
    SafeArrayUnaccessData(array);
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = array;
}

void Arena::Variable(VARIANT& value, ULONG count) {
    VARIANT& variable = referencedValues_.emplace_back();
    if (random_.Percent(20)) {
        // A JScript array's form: an object with `length` and numbered elements.
        Scalar(variable, VT_EMPTY);
        PosingArray::Behaviour behaviour;
        behaviour.known = static_cast<long>(count);
        behaviour.length.vt = VT_I4;
        behaviour.length.lVal = static_cast<LONG>(count);
        VARIANT number;
        Number(number);
        behaviour.values.push_back(number);
        behaviour.kinds.push_back(PosingArray::Element::Value);
        auto* posing = new PosingArray(std::move(behaviour), host_, numbersId_);
        posing_.push_back(posing);
        variable.vt = VT_DISPATCH;
        variable.pdispVal = posing;
    } else {
        NumberList(variable, count, true);
    }
    VariantInit(&value);
    value.vt = VT_BYREF | VT_VARIANT;
    value.pvarVal = &variable;
}

void Arena::ArrayWithHole(VARIANT& value) {
    const long count = 2 + static_cast<long>(random_.Below(5));
    PosingArray::Behaviour behaviour = PosingArray::Behaviour::OfNumbers(count);
    behaviour.hole = static_cast<long>(random_.Below(static_cast<std::uint32_t>(count)));
    behaviour.answersUnknown = true; // a host that skips the hole check gets VT_EMPTY, not an error
    auto* posing = new PosingArray(std::move(behaviour), host_, numbersId_);
    posing_.push_back(posing);
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = posing;
}

void Arena::Mark() {
    counts_.clear();
    for (PosingArray* posing : posing_)
        counts_.push_back(static_cast<ULONG>(posing->references()));
}

bool Arena::ReferencesBalanced() const {
    for (std::size_t index = 0; index < counts_.size(); ++index)
        if (static_cast<ULONG>(posing_[index]->references()) != counts_[index])
            return false;
    return true;
}

// --- Snapshots ----------------------------------------------------------------------------------------

namespace {

class Writer {
public:
    Writer(bool identities, bool elements) : identities_(identities), elements_(elements) {}
    template <class T>
    void Add(const T& value) {
        const auto* bytes = reinterpret_cast<const char*>(&value);
        text_.append(bytes, sizeof(T));
    }
    void Pointer(const void* pointer) {
        if (identities_)
            Add(pointer);
        else
            Add(pointer != nullptr);
    }
    void Text(BSTR text) {
        Pointer(text);
        if (text == nullptr)
            return;
        const UINT bytes = SysStringByteLen(text);
        Add(bytes);
        text_.append(reinterpret_cast<const char*>(text), bytes);
    }
    void Array(const SAFEARRAY* array, VARTYPE type, int depth) {
        Pointer(array);
        if (array == nullptr)
            return;
        Add(array->cDims);
        Add(array->cbElements);
        Add(array->cLocks);
        if (identities_) {
            Add(array->fFeatures);
            Add(array->pvData);
        }
        ULONG total = array->cDims > 0 ? 1 : 0;
        for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
            Add(array->rgsabound[dimension]);
            total *= array->rgsabound[dimension].cElements;
        }
        if (!elements_ || array->pvData == nullptr || depth > 6)
            return;
        // The elements by the array's own width (a VARIANT's type may lie about it).
        const auto* data = static_cast<const BYTE*>(array->pvData);
        for (ULONG index = 0; index < total; ++index) {
            const BYTE* element = data + std::size_t{index} * array->cbElements;
            if (type == VT_BSTR && array->cbElements == sizeof(BSTR))
                Text(*reinterpret_cast<const BSTR*>(element));
            else if (type == VT_VARIANT && array->cbElements == sizeof(VARIANT))
                Value(*reinterpret_cast<const VARIANT*>(element), depth + 1);
            else if ((type == VT_DISPATCH || type == VT_UNKNOWN) && array->cbElements == sizeof(void*))
                Pointer(*reinterpret_cast<void* const*>(element));
            else
                text_.append(reinterpret_cast<const char*>(element), array->cbElements);
        }
    }
    void Value(const VARIANT& value, int depth) {
        Add(value.vt);
        if (depth > 6)
            return;
        const VARTYPE base = value.vt & VT_TYPEMASK;
        if (value.vt & VT_BYREF) {
            Pointer(value.byref);
            if (value.byref == nullptr)
                return;
            if (value.vt & VT_ARRAY)
                Array(*value.pparray, base, depth + 1);
            else if (base == VT_VARIANT)
                Value(*value.pvarVal, depth + 1);
            else if (base == VT_BSTR)
                Text(*value.pbstrVal);
            else if (base == VT_DISPATCH || base == VT_UNKNOWN)
                Pointer(*value.ppunkVal);
            else
                text_.append(static_cast<const char*>(value.byref),
                             base == VT_DECIMAL ? sizeof(DECIMAL) : Width(base));
        } else if (value.vt & VT_ARRAY) {
            VARTYPE own = base;
            if (value.parray != nullptr && value.parray->cDims > 0)
                SafeArrayGetVartype(value.parray, &own);
            Array(value.parray, own, depth + 1);
        } else if (base == VT_BSTR) {
            Text(value.bstrVal);
        } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
            Pointer(value.punkVal);
        } else if (base == VT_DECIMAL) {
            text_.append(reinterpret_cast<const char*>(&value.decVal) + 2, sizeof(DECIMAL) - 2);
        } else {
            Add(value.llVal);
        }
    }
    std::string Take() { return std::move(text_); }

private:
    bool identities_;
    bool elements_;
    std::string text_;
};

} // namespace

std::string Snapshot(const VARIANT& value, bool identities, bool elements) {
    Writer writer(identities, elements);
    writer.Value(value, 0);
    return writer.Take();
}

std::string DescribeDeep(const VARIANT& value, int depth) {
    std::string text = Describe(value);
    const VARIANT* at = &value;
    while ((at->vt & VT_BYREF) && at->byref != nullptr && at->vt == (VT_BYREF | VT_VARIANT))
        at = at->pvarVal;
    SAFEARRAY* array = nullptr;
    if ((at->vt & (VT_ARRAY | VT_BYREF)) == (VT_ARRAY | VT_BYREF) && at->pparray != nullptr)
        array = *at->pparray;
    else if ((at->vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY)
        array = at->parray;
    if ((at->vt & (VT_ARRAY | VT_BYREF)) == (VT_ARRAY | VT_BYREF) && at->pparray != nullptr &&
        array == nullptr)
        text += " -> null array";
    if (array != nullptr && array->cDims >= 1 && at != &value)
        text += " -> " + std::to_string(array->cDims) + " dims, first " +
                std::to_string(array->rgsabound[0].cElements) + " from " +
                std::to_string(array->rgsabound[0].lLbound) + ", locks " + std::to_string(array->cLocks);
    if (array != nullptr && array->cDims == 1 && array->pvData != nullptr && depth < 2) {
        text += " {";
        VARTYPE type = VT_EMPTY;
        SafeArrayGetVartype(array, &type);
        for (ULONG index = 0; index < std::min<ULONG>(array->rgsabound[0].cElements, 8); ++index) {
            const BYTE* element =
                static_cast<const BYTE*>(array->pvData) + std::size_t{index} * array->cbElements;
            if (type == VT_VARIANT)
                text += DescribeDeep(*reinterpret_cast<const VARIANT*>(element), depth + 1);
            else if (type == VT_BSTR) {
                const BSTR b = *reinterpret_cast<const BSTR*>(element);
                text += b == nullptr ? "null" : "bstr " + std::to_string(SysStringByteLen(b)) + " bytes";
            } else {
                // No more than the element's own bytes: the data may end at an unreadable page.
                unsigned long long number = 0;
                std::memcpy(&number, element, std::min<ULONG>(array->cbElements, sizeof(number)));
                char bits[40];
                std::snprintf(bits, sizeof(bits), "%llx", number);
                text += bits;
            }
            text += ", ";
        }
        text += "}";
    } else if ((at->vt & VT_TYPEMASK) == VT_BSTR && !(at->vt & VT_ARRAY)) {
        const BSTR b = (at->vt & VT_BYREF) ? *at->pbstrVal : at->bstrVal;
        text += b == nullptr ? " null" : " bstr " + std::to_string(SysStringByteLen(b)) + " bytes";
    }
    return text;
}

std::string Describe(const VARIANT& value) {
    char text[128];
    std::snprintf(text, sizeof(text), "vt 0x%04X", static_cast<unsigned>(value.vt));
    std::string description = text;
    if ((value.vt & VT_BYREF) && value.byref != nullptr && (value.vt & VT_TYPEMASK) == VT_VARIANT &&
        !(value.vt & VT_ARRAY))
        description += " -> " + Describe(*value.pvarVal);
    else if ((value.vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY && value.parray != nullptr) {
        std::snprintf(
            text, sizeof(text), " [dims %u, width %lu, features 0x%X, locks %lu, first %lu from %ld]",
            static_cast<unsigned>(value.parray->cDims), static_cast<unsigned long>(value.parray->cbElements),
            static_cast<unsigned>(value.parray->fFeatures), static_cast<unsigned long>(value.parray->cLocks),
            static_cast<unsigned long>(value.parray->cDims > 0 ? value.parray->rgsabound[0].cElements : 0),
            static_cast<long>(value.parray->cDims > 0 ? value.parray->rgsabound[0].lLbound : 0));
        description += text;
    }
    return description;
}

} // namespace Hostile
