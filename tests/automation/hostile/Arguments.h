// The hostile client's arguments: every value a client can hand IDispatch::Invoke, made from a seed.
// Every VARTYPE with its flags, up to three by-reference levels, arrays of 0 to 3 dimensions with random
// bounds and features (some lying about their type, features or locks), arrays of arrays, odd BSTRs,
// objects whose `length` and elements lie, raise or call back into the host, and the host itself.
// One Arena owns what one call's arguments are made of and frees it, lies undone first.
#pragma once

#include "Support.h"
#include "support/DispatchObject.h"

#include <array>
#include <atomic>
#include <deque>
#include <string>
#include <vector>

namespace Hostile {

// The host's own code for an argument it cannot use (HostObject.h).
inline constexpr HRESULT hostRefusal = static_cast<HRESULT>(0x80040201);

// What a generated call may meet: values that cross a process boundary (for the local server, whose
// marshaling refuses malformed ones before the host sees them), or anything a client in process can build.
enum class Reach { InProcess, CrossProcess };

// An object that poses as a JScript array: `length` and elements as it was told, honest or not.
class PosingArray final : public TestSupport::DispatchObject {
public:
    enum class Element { Value, Raises, Fails, CallsHost };
    struct Behaviour {
        VARIANT length{}; // what `length` answers (VT_EMPTY: the object has no `length`)
        bool lengthRaises = false;
        long known = 0;              // names "0" .. known-1 are known...
        long hole = -1;              // ...but this one
        bool answersUnknown = false; // Invoke answers any DISPID, DISPID_UNKNOWN included, with VT_EMPTY
        std::vector<VARIANT> values; // element i answers values[i % size]
        std::vector<Element> kinds;  // and behaves as kinds[i % size]

        // `count` known elements, each the number 1.5, and a `length` that says so.
        static Behaviour OfNumbers(long count);
    };
    // Takes the behaviour's VARIANTs; `host` (not held) is what a CallsHost element calls.
    PosingArray(Behaviour behaviour, IDispatch* host, DISPID numbersId);
    ~PosingArray();
    PosingArray(const PosingArray&) = delete;
    PosingArray& operator=(const PosingArray&) = delete;

    ULONG Puts() const { return puts_; }
    bool HasHole() const;
    bool Honest() const; // a whole-number length, every element a plain value

    ULONG STDMETHODCALLTYPE Release() override; // the last one deletes it
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override;

private:
    Behaviour behaviour_;
    IDispatch* host_;
    DISPID numbersId_;
    std::atomic<ULONG> puts_{0};
};

// The owner of one call's arguments and of everything they point at.
class Arena {
public:
    // `typeLies`: in process, arrays whose VARIANT names another element type than their own (the host
    // walks such an array by the VARIANT's type today and reads past its data: off until that is fixed).
    Arena(Random& random, Reach reach, IDispatch* host, DISPID numbersId, bool typeLies = false)
        : random_(random), reach_(reach), host_(host), numbersId_(numbersId), allowTypeLies_(typeLies) {}
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // The call's arguments, in the script's order, VT_EMPTY until filled.
    std::vector<VARIANT>& Arguments(std::size_t count);
    std::vector<VARIANT>& Arguments() { return arguments_; }
    // A value of any kind; `depth` bounds the nesting.
    void Any(VARIANT& value, int depth = 0);
    // The values a method reads when it works: numbers, texts, fonts, a variable holding an array.
    void NumberList(VARIANT& value, ULONG count, bool allowOdd);
    void TextList(VARIANT& value);
    void FontList(VARIANT& value);
    void Variable(VARIANT& value, ULONG count); // VT_BYREF|VT_VARIANT -> an array of numbers
    void Number(VARIANT& value);
    // A posing array of numbers with exactly one hole.
    void ArrayWithHole(VARIANT& value);

    // Records the reference counts of our objects; ReferencesBalanced compares with them.
    void Mark();
    bool ReferencesBalanced() const;
    bool HasFont() const { return hasFont_; }
    // A null BSTR (Wine's marshaling hands the server an empty one instead).
    bool HasNullText() const { return hasNullText_; }
    // A BSTR of an odd byte length (Wine's marshaling rounds it up, also when it hands a reference back).
    bool HasOddText() const { return hasOddText_; }
    bool HasCallBack() const { return hasCallBack_; }
    // Whether a VARIANT names another element type than its array's own.
    bool HasTypeLie() const { return typeLies_; }

private:
    void Scalar(VARIANT& value, VARTYPE type);
    void OwnedAny(VARIANT& value, int depth);
    void Text(BSTR& text);
    void Array(VARIANT& value, int depth);
    void Reference(VARIANT& value, int depth);
    void Object(VARIANT& value, VARTYPE type, int depth);
    IDispatch* NewPosingArray(int depth, bool withHole);
    IDispatch* NewFont();
    SAFEARRAY* Keep(SAFEARRAY* array);
    void Lie(VARIANT& value, SAFEARRAY* array, VARTYPE elementType);

    // An array whose descriptor lies, and what to put back before it is freed.
    struct KeptArray {
        SAFEARRAY* array;
        USHORT features;
        ULONG locks;
        USHORT dimensions;
        void* guarded;
        void* data = nullptr;
    };
    struct TypeLie {
        VARIANT* value;
        VARTYPE type;
    };

    Random& random_;
    Reach reach_;
    IDispatch* host_;
    DISPID numbersId_;
    bool allowTypeLies_;
    int insideReference_ = 0; // how many references the value being made lies under
    std::vector<VARIANT> arguments_;
    std::deque<VARIANT> referencedValues_;
    std::deque<BSTR> texts_;
    std::deque<SAFEARRAY*> referencedArrays_;
    std::deque<IUnknown*> referencedObjects_;
    std::deque<std::array<BYTE, 16>> scalars_;
    std::vector<KeptArray> arrays_;
    std::vector<TypeLie> lies_;
    std::vector<PosingArray*> posing_; // not held: their owners are the values above
    std::vector<ULONG> counts_;
    bool hasFont_ = false;
    bool hasNullText_ = false;
    bool hasOddText_ = false;
    bool hasCallBack_ = false;
    bool typeLies_ = false;
};

// A value's whole state, byte for byte, for "unchanged" (identities: pointers too) or "equal".
std::string Snapshot(const VARIANT& value, bool identities, bool elements = true);
// A short text of a value's type and shape, for a report.
std::string Describe(const VARIANT& value);
// The same with the elements of a one-dimensional array (eight at most).
std::string DescribeDeep(const VARIANT& value, int depth = 0);

} // namespace Hostile
