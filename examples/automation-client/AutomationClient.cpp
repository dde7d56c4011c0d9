// A C++ automation client in a process of its own: it creates WindowsUtils.DemoHost (the automation
// host started by COM as a local server), calls every method through IDispatch::Invoke with arrays it
// builds itself, and checks every answer, the EXCEPINFO of the calls that must fail included. Every value
// crosses the platform's marshaler twice. Prints one line per failed check and a closing count; exits 1
// when a check failed, 2 when the server cannot be reached.
#include "ClientSupport.h"

#include <olectl.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace AutomationClient;

namespace {

constexpr HRESULT hostRefusal = static_cast<HRESULT>(0x80040201);
constexpr const wchar_t* errorSource = L"WindowsUtils.DemoHost";

class Checks {
public:
    void Expect(bool passed, const std::string& what) {
        ++count_;
        if (passed)
            return;
        ++failed_;
        std::printf("FAIL: %s\n", what.c_str());
    }
    int Failed() const noexcept { return failed_; }
    int Count() const noexcept { return count_; }

private:
    int count_ = 0;
    int failed_ = 0;
};

Variant Number(double value) {
    Variant number;
    number.Get().vt = VT_R8;
    number.Get().dblVal = value;
    return number;
}

VARIANT ElementOf(VARTYPE type, double value) {
    VARIANT element;
    VariantInit(&element);
    element.vt = type;
    if (type == VT_I2)
        element.iVal = static_cast<SHORT>(value);
    else if (type == VT_I4)
        element.lVal = static_cast<LONG>(value);
    else if (type == VT_BOOL)
        element.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    else if (type == VT_R8)
        element.dblVal = value;
    return element;
}

Variant Text(const wchar_t* text) {
    Variant value;
    value.Get().vt = VT_BSTR;
    value.Get().bstrVal = SysAllocString(text);
    return value;
}

// The kernel's row-vector convention: a translation stands in the last row.
std::vector<double> TranslationRows(double dx, double dy, double dz) {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, dy, dz, 1};
}

std::string Hex(HRESULT value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// An answer the host gives as an array: as many elements as expected, each one matching its own.
template <typename Expected, typename Matches>
bool EachElement(const CallResult& call, const std::vector<Expected>& expected, Matches matches) {
    std::vector<Variant> elements;
    if (FAILED(call.result) || !ReadVariantElements(call.value.Get(), elements) ||
        elements.size() != expected.size())
        return false;
    for (size_t index = 0; index < expected.size(); ++index)
        if (!matches(elements[index].Get(), expected[index]))
            return false;
    return true;
}

// Each element of the expected type and value.
bool SameElements(const CallResult& call, VARTYPE type, const std::vector<double>& expected) {
    return EachElement(call, expected, [type](const VARIANT& element, double number) {
        if (element.vt != type)
            return false;
        const double value = type == VT_R8 ? element.dblVal : type == VT_I4 ? element.lVal : element.boolVal;
        return value == number;
    });
}

bool SameTexts(const CallResult& call, const std::vector<std::wstring>& expected) {
    return EachElement(call, expected, [](const VARIANT& element, const std::wstring& text) {
        return element.vt == VT_BSTR && element.bstrVal != nullptr &&
               std::wstring(element.bstrVal, SysStringLen(element.bstrVal)) == text;
    });
}

// The numbers a by-reference VT_ARRAY|VT_R8 holds after the call, read where the client's VARIANT points.
bool HoldsNumbers(const VARIANT& value, LONG lowerBound, const std::vector<double>& expected) {
    if (value.vt != (VT_ARRAY | VT_R8) || value.parray == nullptr ||
        value.parray->rgsabound[0].lLbound != lowerBound ||
        value.parray->rgsabound[0].cElements != expected.size())
        return false;
    for (LONG index = 0; index < static_cast<LONG>(expected.size()); ++index) {
        LONG position = lowerBound + index;
        double number = 0;
        if (FAILED(SafeArrayGetElement(value.parray, &position, &number)) ||
            number != expected[static_cast<size_t>(index)])
            return false;
    }
    return true;
}

// A failed call: DISP_E_EXCEPTION carrying the code, the host's source and a description that names the
// method.
bool FailedWith(const CallResult& call, HRESULT code, const std::wstring& descriptionPart) {
    return call.result == DISP_E_EXCEPTION && call.exception.Code() == code &&
           call.exception.Source() == errorSource &&
           call.exception.Description().find(descriptionPart) != std::wstring::npos;
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void CheckTypedArrays(IDispatch& host, Checks& checks) {
    Variant r8 = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6});
    checks.Expect(SameElements(Call(host, L"Points", {r8.Get()}), VT_R8, {1, 2, 3, 4, 5, 6}),
                  "Points(VT_R8 1..6) gives 1..6");
    // Points reads a typed array by its element count alone: the lower bound changes nothing.
    Variant shifted = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6}, 5);
    checks.Expect(SameElements(Call(host, L"Points", {shifted.Get()}), VT_R8, {1, 2, 3, 4, 5, 6}),
                  "Points(VT_R8 with lower bound 5) gives 1..6");
    Variant r4 = TypedArray<float>(VT_R4, {0.5f, 1.5f, -2.25f});
    Variant matrix = TypedArray<double>(VT_R8, TranslationRows(10, 20, 30));
    checks.Expect(SameElements(Call(host, L"Points", {r4.Get(), matrix.Get()}), VT_R8, {10.5, 21.5, 27.75}),
                  "Points(VT_R4 point, translation 10 20 30) gives 10.5 21.5 27.75");
    Variant i4 = TypedArray<LONG>(VT_I4, {-1, 0, 7});
    checks.Expect(SameElements(Call(host, L"Points", {i4.Get()}), VT_R8, {-1, 0, 7}),
                  "Points(VT_I4 -1 0 7) gives -1 0 7");

    Variant integers = TypedArray<LONG>(VT_I4, {-7, 0, 2147483647});
    checks.Expect(SameElements(Call(host, L"Integers", {integers.Get()}), VT_I4, {-7, 0, 2147483647}),
                  "Integers(VT_I4 -7 0 2147483647) round trip");
    Variant doubles = TypedArray<double>(VT_R8, {0.1, -1e300, 2.5});
    checks.Expect(SameElements(Call(host, L"Numbers", {doubles.Get()}), VT_R8, {0.1, -1e300, 2.5}),
                  "Numbers(VT_R8 0.1 -1e300 2.5) round trip");
    // The double reader takes VT_R8 arrays, scalars and VARIANT arrays: a VT_R4 array is no form of it,
    // and the host says so rather than answer nothing.
    checks.Expect(FailedWith(Call(host, L"Numbers", {r4.Get()}), hostRefusal, L"an array of Single elements"),
                  "Numbers(VT_R4 array) is refused with what arrived");
    Variant flags = TypedArray<short>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 5});
    checks.Expect(SameElements(Call(host, L"Flags", {flags.Get()}), VT_BOOL,
                               {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE}),
                  "Flags(VT_BOOL -1 0 5) gives True False True");

    Variant texts = TextArray({L"alpha", L"", L"Gr\u00FC\u00DFe \u03C0"});
    checks.Expect(SameTexts(Call(host, L"Texts", {texts.Get()}), {L"alpha", L"", L"Gr\u00FC\u00DFe \u03C0"}),
                  "Texts(VT_BSTR alpha, empty, non-ASCII) round trip");

    // Mixed values keep their types: VT_I2 1, VT_R8 2.5, VT_BSTR "x", VT_BOOL True, VT_EMPTY.
    const Variant x = Text(L"x");
    Variant mixed = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_I2, 1), ElementOf(VT_R8, 2.5), x.Get(),
                                                     ElementOf(VT_BOOL, 1), ElementOf(VT_EMPTY, 0)});
    CallResult values = Call(host, L"Values", {mixed.Get()});
    std::vector<Variant> elements;
    const bool read =
        SUCCEEDED(values.result) && ReadVariantElements(values.value.Get(), elements) && elements.size() == 5;
    checks.Expect(read && elements[0].Get().vt == VT_I2 && elements[0].Get().iVal == 1 &&
                      elements[1].Get().vt == VT_R8 && elements[1].Get().dblVal == 2.5 &&
                      elements[2].Get().vt == VT_BSTR && std::wstring(elements[2].Get().bstrVal) == L"x" &&
                      elements[3].Get().vt == VT_BOOL && elements[3].Get().boolVal == VARIANT_TRUE &&
                      elements[4].Get().vt == VT_EMPTY,
                  "Values(1, 2.5, \"x\", True, Empty) keeps types and values");
}

void CheckMovesInPlace(IDispatch& host, Checks& checks) {
    const Variant dx = Number(10), dy = Number(20), dz = Number(30);
    // A VT_R8 array is moved whole, whatever its lower bound; the copy that comes back keeps the bound.
    Variant points = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6}, 3);
    CallResult moved = Call(host, L"Move", {ReferenceTo(points.Get()), dx.Get(), dy.Get(), dz.Get()});
    checks.Expect(moved.result == S_OK && HoldsNumbers(points.Get(), 3, {11, 22, 33, 14, 25, 36}),
                  "Move on a by-reference VT_R8 array with lower bound 3 moves both points");
    // A VARIANT array counts its elements less its lower bound: 6 - 3 leaves one point to move.
    Variant listed = TypedArray<VARIANT>(VT_VARIANT,
                                         {ElementOf(VT_R8, 1), ElementOf(VT_R8, 2), ElementOf(VT_R8, 3),
                                          ElementOf(VT_R8, 4), ElementOf(VT_R8, 5), ElementOf(VT_R8, 6)},
                                         3);
    moved = Call(host, L"Move", {ReferenceTo(listed.Get()), dx.Get(), dy.Get(), dz.Get()});
    std::vector<double> numbers;
    if (listed.Get().vt == (VT_ARRAY | VT_VARIANT) && listed.Get().parray->rgsabound[0].lLbound == 3)
        for (LONG index = 3; index < 9; ++index) {
            Variant element;
            if (SUCCEEDED(SafeArrayGetElement(listed.Get().parray, &index, element.Receive())) &&
                element.Get().vt == VT_R8)
                numbers.push_back(element.Get().dblVal);
        }
    checks.Expect(moved.result == S_OK && numbers == std::vector<double>{11, 22, 33, 4, 5, 6},
                  "Move on a by-reference VARIANT array with lower bound 3 moves its first point only");
}

void CheckFailures(IDispatch& host, Checks& checks) {
    const Variant text = Text(L"abc");
    Variant notANumber = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_R8, 1), text.Get()});
    checks.Expect(FailedWith(Call(host, L"Numbers", {notANumber.Get()}), DISP_E_TYPEMISMATCH, L"Numbers"),
                  "Numbers(1, \"abc\") fails with DISP_E_TYPEMISMATCH in EXCEPINFO");
    Variant tooLarge = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_R8, 3e9)});
    checks.Expect(FailedWith(Call(host, L"Integers", {tooLarge.Get()}), DISP_E_OVERFLOW, L"Integers"),
                  "Integers(3e9) fails with DISP_E_OVERFLOW in EXCEPINFO");
    Variant fourNumbers = TypedArray<double>(VT_R8, {1, 2, 3, 4});
    checks.Expect(FailedWith(Call(host, L"Points", {fourNumbers.Get()}), hostRefusal, L"three per point"),
                  "Points(4 numbers) is refused with the host's code");
    Variant square;
    SAFEARRAYBOUND bounds[2] = {{3, 0}, {3, 0}};
    square.Get().parray = SafeArrayCreate(VT_R8, 2, bounds);
    square.Get().vt = square.Get().parray != nullptr ? VT_ARRAY | VT_R8 : VT_EMPTY;
    checks.Expect(FailedWith(Call(host, L"Points", {square.Get()}), hostRefusal, L"one-dimensional"),
                  "Points(3 x 3 array) is refused with the host's code");
    checks.Expect(Call(host, L"Points", {}).result == DISP_E_BADPARAMCOUNT,
                  "Points() gives DISP_E_BADPARAMCOUNT");
    checks.Expect(Call(host, L"Rotate", {}).result == DISP_E_UNKNOWNNAME, "Rotate is DISP_E_UNKNOWNNAME");
}

void CheckFont(IDispatch& host, Checks& checks) {
    FONTDESC description{sizeof(FONTDESC),
                         const_cast<LPOLESTR>(L"Arial"),
                         {{120000, 0}},
                         FW_BOLD,
                         ANSI_CHARSET,
                         TRUE,
                         FALSE,
                         FALSE};
    Reference<IDispatch> font;
    checks.Expect(SUCCEEDED(OleCreateFontIndirect(&description, IID_IDispatch, font.ReceiveVoid())),
                  "OleCreateFontIndirect makes a font in the client");
    if (!font)
        return;
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = font.Get();
    CallResult read = Call(host, L"Font", {object});
    std::vector<Variant> records;
    const bool answered = SUCCEEDED(read.result) && ReadVariantElements(read.value.Get(), records);
    // The font crosses as a proxy. Wine's proxy cannot hand out the font's GDI handle, the one thing the
    // library reads a font through, so the library adds no record for it.
    if (RunningUnderWine())
        checks.Expect(answered && records.empty(), "Font(client's font) gives no record under Wine");
    else
        checks.Expect(answered && records.size() <= 1, "Font(client's font) gives at most one record");
}

// 100,000 points each way, every number checked: sent as VT_R8, read through a translation, moved in place.
void CheckManyPoints(IDispatch& host, Checks& checks) {
    constexpr size_t count = 300000;
    std::vector<double> numbers(count);
    for (size_t index = 0; index < count; ++index)
        numbers[index] = static_cast<double>(index);
    Variant list = TypedArray<double>(VT_R8, numbers);
    Variant matrix = TypedArray<double>(VT_R8, TranslationRows(1, 2, 3));
    std::vector<double> shifted(count);
    for (size_t index = 0; index < count; ++index)
        shifted[index] = numbers[index] + static_cast<double>(index % 3 + 1);
    checks.Expect(SameElements(Call(host, L"Points", {list.Get(), matrix.Get()}), VT_R8, shifted),
                  "Points(100,000 points, translation 1 2 3) gives every point moved");
    const Variant dx = Number(1), dy = Number(2), dz = Number(3);
    CallResult moved = Call(host, L"Move", {ReferenceTo(list.Get()), dx.Get(), dy.Get(), dz.Get()});
    checks.Expect(moved.result == S_OK && HoldsNumbers(list.Get(), 0, shifted),
                  "Move of 100,000 points by reference lands in the client's array");
    CallResult call = Call(host, L"LastCallSeconds", {}, DISPATCH_PROPERTYGET);
    CallResult library = Call(host, L"LastLibrarySeconds", {}, DISPATCH_PROPERTYGET);
    checks.Expect(call.value.Get().vt == VT_R8 && library.value.Get().vt == VT_R8 &&
                      library.value.Get().dblVal > 0 && library.value.Get().dblVal <= call.value.Get().dblVal,
                  "the library's share of the last call is above 0 and within the call");
}

} // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    Checks checks;
    {
        CLSID classId;
        Reference<IDispatch> host;
        HRESULT result = CLSIDFromProgID(errorSource, &classId);
        if (SUCCEEDED(result))
            result =
                CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, host.ReceiveVoid());
        if (FAILED(result)) {
            std::printf("cannot create WindowsUtils.DemoHost as a local server: %s\n", Hex(result).c_str());
            CoUninitialize();
            return 2;
        }
        CheckTypedArrays(*host.Get(), checks);
        CheckMovesInPlace(*host.Get(), checks);
        CheckFailures(*host.Get(), checks);
        CheckFont(*host.Get(), checks);
        CheckManyPoints(*host.Get(), checks);
    }
    CoUninitialize();
    std::printf("automation client: %d checks, %d failed\n", checks.Count(), checks.Failed());
    return checks.Failed() == 0 ? 0 : 1;
}
