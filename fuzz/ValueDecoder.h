// Turns a fuzzer's bytes into the values an automation client may hand a host: any vt, VT_BYREF forms,
// arrays of any element type with 0 to 3 dimensions and bounds of any kind, nested VARIANTs, texts that
// are or are not numbers, BSTRs with embedded NULs, null, font and other dispatch objects.
//
// Arrays are created by SafeArrayCreate for their real size and filled; only then are descriptor fields
// rewritten, and only so that they describe no more data than exists (fewer elements or dimensions,
// another lower bound, a width whose elements still fit, no data, a lock held). What a target finds is
// thus the library's reading, not an allocator lying to it. The decoded value keeps the original
// descriptors and puts them back before it releases everything it made.
#pragma once

// Before <windows.h>: its min and max macros would rewrite the provider's calls of std::min.
#include <fuzzer/FuzzedDataProvider.h>

#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include "support/DispatchObject.h"

#include <array>
#include <limits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Fuzz {

// The texts below are UTF-16 literals; OLECHAR is char16_t on the stand-ins and wchar_t on Windows.
static_assert(sizeof(OLECHAR) == sizeof(char16_t));
inline OLECHAR* Ole(char16_t* text) { return reinterpret_cast<OLECHAR*>(text); }
inline const OLECHAR* Ole(const char16_t* text) { return reinterpret_cast<const OLECHAR*>(text); }

// Fills `to` with the next `size` bytes of input; with zeros where the input has run out.
inline void ConsumeInto(FuzzedDataProvider& input, void* to, std::size_t size) {
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(size);
    std::memset(to, 0, size);
    if (!bytes.empty())
        std::memcpy(to, bytes.data(), bytes.size());
}

// A dispatch object that is no font. It deletes itself at its last Release, so a reference the library
// keeps shows as a leak and one it gives back too often as a use after free.
class PlainObject final : public TestSupport::DispatchObject {
public:
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = DispatchObject::Release();
        if (left == 0)
            delete this;
        return left;
    }
};

// What the decoded value may look like, per target.
struct DecodingRules {
    // Top-level types chosen more often than the rest; any vt stays possible.
    std::span<const VARTYPE> favoured;
    // Whether arrays inside VARIANT elements get rewritten descriptors too. Not where the call under
    // test may release those elements (in-place operations): the platform would then release an array
    // by a descriptor that describes less than it holds.
    bool rewriteNested = true;
};

class DecodedValue {
public:
    DecodedValue(FuzzedDataProvider& input, const DecodingRules& rules) : input_(input), rules_(rules) {
        VariantInit(&value_);
        DecodeTopLevel();
    }
    ~DecodedValue() {
        for (const TrackedArray& tracked : arrays_)
            if (!SkippedAfterCall(tracked))
                std::memcpy(tracked.array, tracked.original.data(), tracked.original.size());
        VariantClear(&value_);
        for (VARIANT& referenced : referencedValues_)
            VariantClear(&referenced);
        for (BSTR text : referencedTexts_)
            SysFreeString(text);
        for (SAFEARRAY* array : referencedArrays_)
            SafeArrayDestroy(array);
        for (IUnknown* object : referencedObjects_)
            if (object != nullptr)
                object->Release();
    }
    DecodedValue(const DecodedValue&) = delete;
    DecodedValue& operator=(const DecodedValue&) = delete;

    VARIANT& Value() { return value_; }

    // Everything the value is made of, byte for byte: the VARIANT, every array's descriptor and data,
    // every slot a reference points at. Arrays the call may have released are left out (`afterCall`).
    std::vector<std::byte> Snapshot() const {
        std::vector<std::byte> bytes;
        Append(bytes, &value_, sizeof(value_));
        for (const TrackedArray& tracked : arrays_) {
            if (SkippedAfterCall(tracked))
                continue;
            Append(bytes, tracked.array, tracked.original.size());
            Append(bytes, tracked.data, tracked.dataBytes);
        }
        for (const VARIANT& referenced : referencedValues_)
            Append(bytes, &referenced, sizeof(referenced));
        for (const auto& slot : referencedScalars_)
            Append(bytes, slot.data(), slot.size());
        return bytes;
    }

    // What was decoded, for reading a finding: the top-level vt and every array's descriptor as handed.
    void Describe(std::FILE* to) const {
        std::fprintf(to, "value: vt 0x%04x\n", value_.vt);
        for (const TrackedArray& tracked : arrays_) {
            const SAFEARRAY& array = *tracked.array;
            std::fprintf(to, "array %p%s: cDims %u cbElements %u cLocks %u pvData %p, %zu data bytes, bounds",
                         static_cast<const void*>(&array), tracked.insideElement ? " (element)" : "",
                         unsigned{array.cDims}, unsigned{array.cbElements}, unsigned{array.cLocks}, array.pvData,
                         tracked.dataBytes);
            const std::size_t created =
                (tracked.original.size() - offsetof(SAFEARRAY, rgsabound)) / sizeof(SAFEARRAYBOUND);
            for (std::size_t dimension = 0; dimension < created; ++dimension)
                std::fprintf(to, " {%u, %d}", unsigned{array.rgsabound[dimension].cElements},
                             int{array.rgsabound[dimension].lLbound});
            std::fprintf(to, "\n");
        }
    }

    // Whether every array holds as many locks as it was handed with.
    bool LocksAsHanded() const {
        for (const TrackedArray& tracked : arrays_)
            if (!SkippedAfterCall(tracked) && tracked.array->cLocks != tracked.handedLocks)
                return false;
        return true;
    }

    // Called once the call under test has ended. Where it may have released elements of an array
    // (`mayHaveReleased`), the arrays inside them are no longer looked at.
    void CallEnded(bool mayHaveReleased) { mayHaveReleased_ = mayHaveReleased; }

private:
    static constexpr int maximumDepth = 3;
    static constexpr ULONG maximumVectorLength = 300;
    static constexpr ULONG maximumDimensionLength = 6;

    struct TrackedArray {
        SAFEARRAY* array;
        std::vector<std::byte> original; // the descriptor as created, bounds included
        const void* data;                // the data as allocated, whatever pvData says now
        std::size_t dataBytes;
        ULONG handedLocks;
        bool insideElement; // reached through an element of another array
    };

    static void Append(std::vector<std::byte>& bytes, const void* from, std::size_t size) {
        const auto* begin = static_cast<const std::byte*>(from);
        bytes.insert(bytes.end(), begin, begin + size);
    }

    bool SkippedAfterCall(const TrackedArray& tracked) const {
        return mayHaveReleased_ && tracked.insideElement && !rules_.rewriteNested;
    }

    // The types a VARIANT may validly hold: an automation scalar, an array of one, a reference to either.
    static bool IsValidType(VARTYPE vt) {
        const VARTYPE flags = vt & ~VT_TYPEMASK;
        if ((flags & ~(VT_ARRAY | VT_BYREF)) != 0)
            return false;
        const VARTYPE base = vt & VT_TYPEMASK;
        if (base == VT_EMPTY || base == VT_NULL)
            return flags == 0;
        if (base == VT_VARIANT)
            return flags != 0;
        return (base >= VT_I2 && base <= VT_DECIMAL) || (base >= VT_I1 && base <= VT_UINT);
    }

    static bool IsNumber(VARTYPE base) {
        return base != VT_BSTR && base != VT_DISPATCH && base != VT_UNKNOWN && base != VT_VARIANT;
    }

    VARTYPE DecodeType(bool topLevel) {
        if (topLevel && !rules_.favoured.empty() && input_.ConsumeBool())
            return rules_.favoured[input_.ConsumeIntegralInRange<std::size_t>(0, rules_.favoured.size() - 1)];
        switch (input_.ConsumeIntegralInRange(0, 5)) {
        case 0:
            return input_.ConsumeIntegral<VARTYPE>();
        case 1:
            return static_cast<VARTYPE>(VT_BYREF | DecodeBaseType());
        case 2:
        case 3:
            return static_cast<VARTYPE>(VT_ARRAY | DecodeBaseType());
        default:
            return DecodeBaseType();
        }
    }

    VARTYPE DecodeBaseType() {
        static constexpr VARTYPE bases[] = {
            VT_EMPTY, VT_NULL,     VT_I2,    VT_I4,   VT_R4,      VT_R8,      VT_CY,      VT_DATE,
            VT_BSTR,  VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL, VT_I1,
            VT_UI1,   VT_UI2,      VT_UI4,   VT_I8,   VT_UI8,     VT_INT,     VT_UINT};
        return input_.PickValueInArray(bases);
    }

    void DecodeTopLevel() { DecodeInto(value_, 0, true, false); }

    // Fills `value` with a value of a decoded type; `insideElement` when it is an array element (or
    // lies under one).
    void DecodeInto(VARIANT& value, int depth, bool topLevel, bool insideElement) {
        VARTYPE vt = DecodeType(topLevel);
        if (depth >= maximumDepth && (vt & (VT_ARRAY | VT_BYREF)) != 0)
            vt = VT_I4;
        if (!IsValidType(vt)) {
            // The platform holds nothing for such a value: its payload is plain bytes.
            ConsumeInto(input_, &value.dblVal, sizeof(value.dblVal) * 2);
            // ...except an array of VT_CLSID, which the platform clears as an array: it holds none.
            if (vt == (VT_ARRAY | VT_CLSID))
                value.parray = nullptr;
            value.vt = vt;
            return;
        }
        const VARTYPE base = vt & VT_TYPEMASK;
        if ((vt & VT_BYREF) != 0)
            value.byref = DecodeReference(vt & ~VT_BYREF, depth, insideElement);
        else if ((vt & VT_ARRAY) != 0)
            value.parray = DecodeArray(base, depth, topLevel, insideElement);
        else if (base == VT_BSTR)
            value.bstrVal = DecodeText();
        else if (base == VT_DISPATCH)
            value.pdispVal = DecodeObject();
        else if (base == VT_UNKNOWN)
            value.punkVal = DecodeObject();
        else if (base == VT_DECIMAL)
            DecodeBytes(&value, sizeof(DECIMAL));
        else
            DecodeBytes(&value.dblVal, sizeof(value.dblVal));
        value.vt = vt;
    }

    void DecodeBytes(void* to, std::size_t size) { ConsumeInto(input_, to, size); }

    // A slot of the referenced type, owned here; null now and then.
    void* DecodeReference(VARTYPE referenced, int depth, bool insideElement) {
        if (input_.ConsumeIntegralInRange(0, 7) == 0)
            return nullptr;
        if ((referenced & VT_ARRAY) != 0) {
            referencedArrays_.push_back(
                DecodeArray(referenced & VT_TYPEMASK, depth + 1, false, insideElement));
            return &referencedArrays_.back();
        }
        switch (referenced) {
        case VT_VARIANT:
            referencedValues_.emplace_back();
            VariantInit(&referencedValues_.back());
            DecodeInto(referencedValues_.back(), depth + 1, false, insideElement);
            return &referencedValues_.back();
        case VT_BSTR:
            referencedTexts_.push_back(DecodeText());
            return &referencedTexts_.back();
        case VT_DISPATCH:
        case VT_UNKNOWN:
            referencedObjects_.push_back(DecodeObject());
            return &referencedObjects_.back();
        default:
            referencedScalars_.emplace_back();
            DecodeBytes(referencedScalars_.back().data(), referencedScalars_.back().size());
            return referencedScalars_.back().data();
        }
    }

    BSTR DecodeText() {
        static constexpr std::u16string_view words[] = {u"0",
                                                        u"1",
                                                        u"-1",
                                                        u"2.5",
                                                        u"3.5",
                                                        u"1e40",
                                                        u"-1e400",
                                                        u"1.7976931348623157e308",
                                                        u"255",
                                                        u"256",
                                                        u"-0",
                                                        u"&HFF",
                                                        u"&O17",
                                                        u"(12)",
                                                        u"$5",
                                                        u"5$",
                                                        u"1,5",
                                                        u" 7 ",
                                                        u"True",
                                                        u"false",
                                                        u"#TRUE#",
                                                        u"abc",
                                                        u"",
                                                        u" ",
                                                        u"1e",
                                                        u".",
                                                        u"NaN",
                                                        u"INF",
                                                        u"12/31/1999",
                                                        u"4294967295",
                                                        u"2147483648",
                                                        u"-2147483649",
                                                        std::u16string_view(u"1\0 2", 4),
                                                        std::u16string_view(u"\0x", 2)};
        switch (input_.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return nullptr;
        case 1: {
            const std::u16string_view word = input_.PickValueInArray(words);
            return SysAllocStringLen(Ole(word.data()), static_cast<UINT>(word.size()));
        }
        default: {
            std::array<OLECHAR, 24> characters;
            const auto length = input_.ConsumeIntegralInRange<UINT>(0, characters.size());
            ConsumeInto(input_, characters.data(), length * sizeof(OLECHAR));
            return SysAllocStringLen(characters.data(), length);
        }
        }
    }

    // Null, an OLE font object, or a plain dispatch object; the caller owns the one reference.
    IDispatch* DecodeObject() {
        switch (input_.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return nullptr;
        case 1:
            return new PlainObject;
        default:
            return DecodeFont();
        }
    }

    IDispatch* DecodeFont() {
        static constexpr std::u16string_view names[] = {u"Arial", u"Courier New", u"",
                                                        u"A face name longer than thirty-two characters"};
        std::u16string name(input_.PickValueInArray(names));
        FONTDESC description{};
        description.cbSizeofstruct = sizeof(FONTDESC);
        description.lpstrName = Ole(name.data());
        description.cySize.int64 = input_.ConsumeIntegral<LONGLONG>() % 100000000;
        description.sWeight = input_.ConsumeIntegral<SHORT>();
        description.sCharset = input_.ConsumeIntegral<SHORT>();
        description.fItalic = input_.ConsumeBool();
        description.fUnderline = input_.ConsumeBool();
        description.fStrikethrough = input_.ConsumeBool();
        void* font = nullptr;
        if (FAILED(OleCreateFontIndirect(&description, IID_IDispatch, &font)))
            return nullptr;
        return static_cast<IDispatch*>(font);
    }

    // An array of `base` elements (or, now and then, of another number type of any width), filled, then
    // its descriptor rewritten within what it holds. Null now and then.
    SAFEARRAY* DecodeArray(VARTYPE base, int depth, bool topLevel, bool insideElement) {
        if (input_.ConsumeIntegralInRange(0, 9) == 0)
            return nullptr;
        VARTYPE created = base;
        if (IsNumber(base) && input_.ConsumeIntegralInRange(0, 5) == 0) {
            static constexpr VARTYPE numbers[] = {VT_UI1, VT_I2, VT_I4, VT_R4, VT_R8, VT_DECIMAL};
            created = input_.PickValueInArray(numbers);
        }
        const UINT dimensions = input_.ConsumeIntegralInRange<UINT>(1, 3);
        std::array<SAFEARRAYBOUND, 3> bounds{};
        for (UINT dimension = 0; dimension < dimensions; ++dimension)
            bounds[dimension] = {input_.ConsumeIntegralInRange<ULONG>(
                                     0, dimensions == 1 ? maximumVectorLength : maximumDimensionLength),
                                 input_.ConsumeIntegralInRange<LONG>(-2, 2)};
        SAFEARRAY* array = SafeArrayCreate(created, dimensions, bounds.data());
        if (array == nullptr)
            return nullptr;
        std::size_t cells = 1;
        for (UINT dimension = 0; dimension < dimensions; ++dimension)
            cells *= bounds[dimension].cElements;
        FillElements(array, created, cells, depth);

        const std::size_t descriptorSize =
            offsetof(SAFEARRAY, rgsabound) + dimensions * sizeof(SAFEARRAYBOUND);
        TrackedArray tracked{
            array,        std::vector<std::byte>(descriptorSize), array->pvData, cells * array->cbElements, 0,
            insideElement};
        std::memcpy(tracked.original.data(), array, descriptorSize);
        if (topLevel || rules_.rewriteNested)
            Rewrite(*array, created, tracked.dataBytes, topLevel);
        tracked.handedLocks = array->cLocks;
        arrays_.push_back(std::move(tracked));
        return array;
    }

    void FillElements(SAFEARRAY* array, VARTYPE created, std::size_t cells, int depth) {
        for (std::size_t cell = 0; cell < cells; ++cell) {
            void* slot = static_cast<std::byte*>(array->pvData) + cell * array->cbElements;
            if (created == VT_VARIANT)
                DecodeInto(*static_cast<VARIANT*>(slot), depth + 1, false, true);
            else if (created == VT_BSTR)
                *static_cast<BSTR*>(slot) = DecodeText();
            else if (created == VT_DISPATCH || created == VT_UNKNOWN)
                *static_cast<IDispatch**>(slot) = DecodeObject();
            else
                DecodeBytes(slot, array->cbElements);
        }
    }

    // Descriptor fields as a careless or hostile caller might leave them, never describing more data
    // than the array holds: the data may go, the lock may be held, but neither for arrays the platform
    // itself must copy or release (nested ones).
    void Rewrite(SAFEARRAY& array, VARTYPE created, std::size_t dataBytes, bool topLevel) {
        const int rewrites = input_.ConsumeIntegralInRange(0, 3);
        for (int rewrite = 0; rewrite < rewrites; ++rewrite) {
            switch (input_.ConsumeIntegralInRange(0, topLevel ? 5 : 3)) {
            case 0:
                array.rgsabound[0].lLbound = DecodeLowerBound(array.rgsabound[0].cElements);
                break;
            case 1:
                array.rgsabound[0].cElements =
                    input_.ConsumeIntegralInRange<ULONG>(0, array.rgsabound[0].cElements);
                break;
            case 2:
                array.cDims = input_.ConsumeIntegralInRange<USHORT>(0, array.cDims);
                break;
            case 3:
                // Another width, with no more elements than fit the data; the platform copies numbers
                // by that width, so only number arrays get it.
                if (IsNumber(created)) {
                    static constexpr ULONG widths[] = {0, 1, 2, 4, 8, 16, 24, 32};
                    array.cbElements = input_.PickValueInArray(widths);
                }
                break;
            case 4:
                array.pvData = nullptr;
                break;
            default:
                array.cLocks = 1;
                break;
            }
        }
        KeepWithin(array, dataBytes);
    }

    LONG DecodeLowerBound(ULONG elements) {
        const LONG count = static_cast<LONG>(elements);
        constexpr LONG lowest = (std::numeric_limits<LONG>::min)();
        constexpr LONG highest = (std::numeric_limits<LONG>::max)();
        const LONG choices[] = {0,
                                1,
                                -1,
                                count,
                                count + 1,
                                count - 1,
                                -count,
                                lowest,
                                highest,
                                lowest + count,
                                highest - count,
                                0x40000000,
                                input_.ConsumeIntegral<LONG>()};
        return input_.PickValueInArray(choices);
    }

    // Fewer elements in the first bound until the descriptor describes no more than the data: fewer
    // dimensions or a wider element may otherwise describe more.
    static void KeepWithin(SAFEARRAY& array, std::size_t dataBytes) {
        if (array.cDims == 0 || array.cbElements == 0)
            return;
        std::size_t others = 1;
        for (USHORT dimension = 1; dimension < array.cDims; ++dimension)
            others *= array.rgsabound[dimension].cElements;
        if (others == 0)
            return;
        const std::size_t fitting = dataBytes / (array.cbElements * others);
        if (array.rgsabound[0].cElements > fitting)
            array.rgsabound[0].cElements = static_cast<ULONG>(fitting);
    }

    FuzzedDataProvider& input_;
    const DecodingRules& rules_;
    VARIANT value_;
    std::vector<TrackedArray> arrays_;
    // Slots that VT_BYREF values point at; deques keep their addresses.
    std::deque<VARIANT> referencedValues_;
    std::deque<BSTR> referencedTexts_;
    std::deque<SAFEARRAY*> referencedArrays_;
    std::deque<IUnknown*> referencedObjects_;
    std::deque<std::array<std::byte, 16>> referencedScalars_;
    bool mayHaveReleased_ = false;
};

} // namespace Fuzz
