// A C++ automation client in a process of its own: it creates the automation host (started by COM as a
// local server), calls every method through IDispatch::Invoke with arrays it builds itself, and checks
// every answer, the EXCEPINFO of the calls that must fail included. Every value crosses the platform's
// marshaler twice. Prints one line per failed check and a closing count; exits 1 when a check failed, 2
// when the server cannot be reached.
//   automation_client           every check but the font's
//   automation_client --font    a font made here, read by the host through its proxy; exits 77 (skipped)
//                               where the platform's font proxy cannot hand out the font's GDI handle
//   automation_client --hold    holds the object: calls it, stays idle for longer than the server's idle
//                               wait, calls it again (a live idle client is still served), then holds it
//                               until the process is killed (local-server abandoned)
#include "ComSupport.h"
#include "ServerIdentity.h"

#include <olectl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace ComSupport;

namespace {

constexpr HRESULT hostRefusal = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x201);
constexpr int skipped = 77;

_COM_SMARTPTR_TYPEDEF(IFont, IID_IFont);

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

_variant_t Number(double value) {
    return _variant_t(value);
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

_variant_t Text(const wchar_t* text) {
    return _variant_t(text);
}

// The kernel's row-vector convention: a translation stands in the last row.
std::vector<double> TranslationRows(double dx, double dy, double dz) {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, dy, dz, 1};
}

// An answer the host gives as an array: as many elements as expected, each one matching its own.
template <typename Expected, typename Matches>
bool EachElement(const CallResult& call, const std::vector<Expected>& expected, Matches matches) {
    std::vector<_variant_t> elements;
    if (FAILED(call.result) || !ReadVariantElements(call.value, elements) ||
        elements.size() != expected.size())
        return false;
    for (size_t index = 0; index < expected.size(); ++index)
        if (!matches(elements[index], expected[index]))
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
           call.exception.Source() == ServerIdentity::progId &&
           call.exception.Description().find(descriptionPart) != std::wstring::npos;
}

void CheckTypedArrays(IDispatch& host, Checks& checks) {
    _variant_t r8 = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6});
    checks.Expect(SameElements(Call(host, L"Points", {r8}), VT_R8, {1, 2, 3, 4, 5, 6}),
                  "Points(VT_R8 1..6) gives 1..6");
    // Points reads a typed array by its element count alone: the lower bound changes nothing.
    _variant_t shifted = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6}, 5);
    checks.Expect(SameElements(Call(host, L"Points", {shifted}), VT_R8, {1, 2, 3, 4, 5, 6}),
                  "Points(VT_R8 with lower bound 5) gives 1..6");
    _variant_t r4 = TypedArray<float>(VT_R4, {0.5f, 1.5f, -2.25f});
    _variant_t matrix = TypedArray<double>(VT_R8, TranslationRows(10, 20, 30));
    checks.Expect(SameElements(Call(host, L"Points", {r4, matrix}), VT_R8, {10.5, 21.5, 27.75}),
                  "Points(VT_R4 point, translation 10 20 30) gives 10.5 21.5 27.75");
    _variant_t i4 = TypedArray<LONG>(VT_I4, {-1, 0, 7});
    checks.Expect(SameElements(Call(host, L"Points", {i4}), VT_R8, {-1, 0, 7}),
                  "Points(VT_I4 -1 0 7) gives -1 0 7");

    _variant_t integers = TypedArray<LONG>(VT_I4, {-7, 0, 2147483647});
    checks.Expect(SameElements(Call(host, L"Integers", {integers}), VT_I4, {-7, 0, 2147483647}),
                  "Integers(VT_I4 -7 0 2147483647) round trip");
    _variant_t doubles = TypedArray<double>(VT_R8, {0.1, -1e300, 2.5});
    checks.Expect(SameElements(Call(host, L"Numbers", {doubles}), VT_R8, {0.1, -1e300, 2.5}),
                  "Numbers(VT_R8 0.1 -1e300 2.5) round trip");
    // The double reader takes VT_R8 arrays, scalars and VARIANT arrays: a VT_R4 array is no form of it.
    checks.Expect(FailedWith(Call(host, L"Numbers", {r4}), hostRefusal, L"an array of Single elements"),
                  "Numbers(VT_R4 array) is refused with what arrived");
    _variant_t flags = TypedArray<short>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 5});
    checks.Expect(
        SameElements(Call(host, L"Flags", {flags}), VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE}),
        "Flags(VT_BOOL -1 0 5) gives True False True");

    _variant_t texts = TextArray({L"alpha", L"", L"Gr\u00FC\u00DFe \u03C0"});
    checks.Expect(SameTexts(Call(host, L"Texts", {texts}), {L"alpha", L"", L"Gr\u00FC\u00DFe \u03C0"}),
                  "Texts(VT_BSTR alpha, empty, non-ASCII) round trip");

    // Mixed values keep their types: VT_I2 1, VT_R8 2.5, VT_BSTR "x", VT_BOOL True, VT_EMPTY.
    const _variant_t x = Text(L"x");
    _variant_t mixed = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_I2, 1), ElementOf(VT_R8, 2.5), x,
                                                        ElementOf(VT_BOOL, 1), ElementOf(VT_EMPTY, 0)});
    CallResult values = Call(host, L"Values", {mixed});
    std::vector<_variant_t> elements;
    const bool read =
        SUCCEEDED(values.result) && ReadVariantElements(values.value, elements) && elements.size() == 5;
    checks.Expect(read && elements[0].vt == VT_I2 && elements[0].iVal == 1 && elements[1].vt == VT_R8 &&
                      elements[1].dblVal == 2.5 && elements[2].vt == VT_BSTR &&
                      std::wstring(elements[2].bstrVal) == L"x" && elements[3].vt == VT_BOOL &&
                      elements[3].boolVal == VARIANT_TRUE && elements[4].vt == VT_EMPTY,
                  "Values(1, 2.5, \"x\", True, Empty) keeps types and values");
}

void CheckMovesInPlace(IDispatch& host, Checks& checks) {
    const _variant_t dx = Number(10), dy = Number(20), dz = Number(30);
    // A by-reference array is copied in and back: the client's VARIANT holds the moved copy after the call.
    _variant_t points = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6});
    CallResult moved = Call(host, L"Move", {ReferenceTo(points), dx, dy, dz});
    checks.Expect(moved.result == S_OK && HoldsNumbers(points, 0, {11, 22, 33, 14, 25, 36}),
                  "Move on a by-reference VT_R8 array moves both points");
    // Sent by value, the array is a copy the client never sees again: refused, not moved in vain.
    _variant_t byValue = TypedArray<double>(VT_R8, {1, 2, 3});
    moved = Call(host, L"Move", {byValue, dx, dy, dz});
    checks.Expect(FailedWith(moved, hostRefusal, L"by value") && HoldsNumbers(byValue, 0, {1, 2, 3}),
                  "Move on an array sent by value is refused and leaves the array");
    // A VT_R8 array is moved whole, whatever its lower bound; the copy that comes back keeps the bound.
    _variant_t shifted = TypedArray<double>(VT_R8, {1, 2, 3, 4, 5, 6}, 3);
    moved = Call(host, L"Move", {ReferenceTo(shifted), dx, dy, dz});
    checks.Expect(moved.result == S_OK && HoldsNumbers(shifted, 3, {11, 22, 33, 14, 25, 36}),
                  "Move on a by-reference VT_R8 array with lower bound 3 moves both points");
    // A VARIANT array counts its elements less its lower bound: 6 - 3 leaves one point to move.
    _variant_t listed = TypedArray<VARIANT>(VT_VARIANT,
                                            {ElementOf(VT_R8, 1), ElementOf(VT_R8, 2), ElementOf(VT_R8, 3),
                                             ElementOf(VT_R8, 4), ElementOf(VT_R8, 5), ElementOf(VT_R8, 6)},
                                            3);
    moved = Call(host, L"Move", {ReferenceTo(listed), dx, dy, dz});
    std::vector<double> numbers;
    if (listed.vt == (VT_ARRAY | VT_VARIANT) && listed.parray->rgsabound[0].lLbound == 3)
        for (LONG index = 3; index < 9; ++index) {
            _variant_t element;
            if (SUCCEEDED(SafeArrayGetElement(listed.parray, &index, element.GetAddress())) &&
                element.vt == VT_R8)
                numbers.push_back(element.dblVal);
        }
    checks.Expect(moved.result == S_OK && numbers == std::vector<double>{11, 22, 33, 4, 5, 6},
                  "Move on a by-reference VARIANT array with lower bound 3 moves its first point only");
}

void CheckFailures(IDispatch& host, Checks& checks) {
    const _variant_t text = Text(L"abc");
    _variant_t notANumber = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_R8, 1), text});
    checks.Expect(FailedWith(Call(host, L"Numbers", {notANumber}), DISP_E_TYPEMISMATCH, L"Numbers"),
                  "Numbers(1, \"abc\") fails with DISP_E_TYPEMISMATCH in EXCEPINFO");
    _variant_t tooLarge = TypedArray<VARIANT>(VT_VARIANT, {ElementOf(VT_R8, 3e9)});
    checks.Expect(FailedWith(Call(host, L"Integers", {tooLarge}), DISP_E_OVERFLOW, L"Integers"),
                  "Integers(3e9) fails with DISP_E_OVERFLOW in EXCEPINFO");
    _variant_t fourNumbers = TypedArray<double>(VT_R8, {1, 2, 3, 4});
    checks.Expect(FailedWith(Call(host, L"Points", {fourNumbers}), hostRefusal, L"three per point"),
                  "Points(4 numbers) is refused with the host's code");
    _variant_t square;
    SAFEARRAYBOUND bounds[2] = {{3, 0}, {3, 0}};
    square.parray = SafeArrayCreate(VT_R8, 2, bounds);
    square.vt = square.parray != nullptr ? VT_ARRAY | VT_R8 : VT_EMPTY;
    checks.Expect(FailedWith(Call(host, L"Points", {square}), hostRefusal, L"one-dimensional"),
                  "Points(3 x 3 array) is refused with the host's code");
    checks.Expect(Call(host, L"Points", {}).result == DISP_E_BADPARAMCOUNT,
                  "Points() gives DISP_E_BADPARAMCOUNT");
    checks.Expect(Call(host, L"Rotate", {}).result == DISP_E_UNKNOWNNAME, "Rotate is DISP_E_UNKNOWNNAME");
}

// A font made here: Arial, 12 points, bold and italic.
IDispatchPtr NewFont() {
    FONTDESC description{sizeof(FONTDESC),
                         const_cast<LPOLESTR>(L"Arial"),
                         {{120000, 0}},
                         FW_BOLD,
                         ANSI_CHARSET,
                         TRUE,
                         FALSE,
                         FALSE};
    IDispatchPtr font;
    ThrowIfFailed(OleCreateFontIndirect(&description, IID_IDispatch, reinterpret_cast<void**>(&font)));
    return font;
}

// Whether the platform's font proxy hands out the font's GDI handle, the one thing the library reads a
// font through: the font is unmarshaled in another apartment of this process, through the same proxy the
// server receives, and asked for its handle there. (Wine's proxy fails with 0x800703E6.)
HRESULT FontProxyHandle(IDispatch& font) {
    IStream* stream = nullptr;
    HRESULT result = CoMarshalInterThreadInterfaceInStream(IID_IFont, &font, &stream);
    if (FAILED(result))
        return result;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    std::thread asking([&] {
        {
            const ComApartment apartment; // a second single-threaded apartment: calls cross to the first
            IFontPtr proxy;
            result = CoGetInterfaceAndReleaseStream(stream, IID_IFont, reinterpret_cast<void**>(&proxy));
            HFONT handle = nullptr;
            if (SUCCEEDED(result))
                result = proxy->get_hFont(&handle);
        }
        SetEvent(done);
    });
    // The font's apartment is this thread's: it serves the proxy's calls while it waits.
    DWORD signalled = 0;
    CoWaitForMultipleHandles(0, INFINITE, 1, &done, &signalled);
    asking.join();
    CloseHandle(done);
    return result;
}

// The font crosses as a proxy, and the host must read it like a font of its own process.
int CheckFont(IDispatch& host) {
    const IDispatchPtr font = NewFont();
    const HRESULT handle = FontProxyHandle(*font);
    if (FAILED(handle)) {
        std::printf("skipped: the platform's font proxy cannot hand out the font's GDI handle (%ls), so no "
                    "font can reach a host in another process\n",
                    HresultText(handle).c_str());
        return skipped;
    }
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = font;
    Checks checks;
    CallResult read = Call(host, L"Font", {object});
    std::vector<_variant_t> records, fields;
    checks.Expect(SUCCEEDED(read.result) && ReadVariantElements(read.value, records) && records.size() == 1 &&
                      ReadVariantElements(records[0], fields) && fields.size() == 5 &&
                      fields[0].vt == VT_BSTR && std::wstring(fields[0].bstrVal) == L"Arial" &&
                      fields[1].vt == VT_R8 && fields[1].dblVal == 12 && fields[2].vt == VT_BOOL &&
                      fields[2].boolVal == VARIANT_TRUE && fields[3].vt == VT_BOOL &&
                      fields[3].boolVal == VARIANT_TRUE,
                  "Font(client's Arial 12 pt bold italic) gives one record: Arial, 12, True, True, angle");
    std::printf("automation client: %d checks, %d failed\n", checks.Count(), checks.Failed());
    return checks.Failed() == 0 ? 0 : 1;
}

// 100,000 points each way, every number checked: sent as VT_R8, read through a translation, moved in place.
void CheckManyPoints(IDispatch& host, Checks& checks) {
    constexpr size_t count = 300000;
    std::vector<double> numbers(count);
    for (size_t index = 0; index < count; ++index)
        numbers[index] = static_cast<double>(index);
    _variant_t list = TypedArray<double>(VT_R8, numbers);
    _variant_t matrix = TypedArray<double>(VT_R8, TranslationRows(1, 2, 3));
    std::vector<double> shifted(count);
    for (size_t index = 0; index < count; ++index)
        shifted[index] = numbers[index] + static_cast<double>(index % 3 + 1);
    checks.Expect(SameElements(Call(host, L"Points", {list, matrix}), VT_R8, shifted),
                  "Points(100,000 points, translation 1 2 3) gives every point moved");
    const _variant_t dx = Number(1), dy = Number(2), dz = Number(3);
    CallResult moved = Call(host, L"Move", {ReferenceTo(list), dx, dy, dz});
    checks.Expect(moved.result == S_OK && HoldsNumbers(list, 0, shifted),
                  "Move of 100,000 points by reference lands in the client's array");
    // The host times the library's share of every call: moving 100,000 points takes some of it.
    CallResult library = Call(host, L"LastLibrarySeconds", {}, DISPATCH_PROPERTYGET);
    checks.Expect(library.value.vt == VT_R8 && library.value.dblVal > 0,
                  "the library's share of moving 100,000 points is above 0");
}

} // namespace

// A client that holds the object and stays idle between its calls.
int Hold(IDispatch& host) {
    const _variant_t numbers = TypedArray<double>(VT_R8, {1.5});
    Checks checks;
    checks.Expect(SameElements(Call(host, L"Numbers", {numbers}), VT_R8, {1.5}),
                  "Numbers(1.5) before the wait");
    Sleep(12000); // the server's idle wait is 5 s, its watch period 1 s
    checks.Expect(SameElements(Call(host, L"Numbers", {numbers}), VT_R8, {1.5}),
                  "Numbers(1.5) after 12 s idle: a live client is still served");
    std::printf("automation client: %d checks, %d failed; holding the object\n", checks.Count(),
                checks.Failed());
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

int main(int count, char** arguments) {
    const bool font = count == 2 && std::strcmp(arguments[1], "--font") == 0;
    const bool hold = count == 2 && std::strcmp(arguments[1], "--hold") == 0;
    if (count > 2 || (count == 2 && !font && !hold)) {
        std::fputs("usage: automation_client [--font | --hold]\n", stderr);
        return 2;
    }
    const ComApartment apartment;
    if (FAILED(apartment.Result()))
        return 2;
    CLSID classId;
    IDispatchPtr host;
    HRESULT result = CLSIDFromProgID(ServerIdentity::progId, &classId);
    if (SUCCEEDED(result))
        result = CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&host));
    if (FAILED(result)) {
        std::printf("cannot create %ls as a local server: %ls\n", ServerIdentity::progId,
                    HresultText(result).c_str());
        return 2;
    }
    if (font)
        return CheckFont(*host);
    if (hold)
        return Hold(*host);
    Checks checks;
    CheckTypedArrays(*host, checks);
    CheckMovesInPlace(*host, checks);
    CheckFailures(*host, checks);
    CheckManyPoints(*host, checks);
    std::printf("automation client: %d checks, %d failed\n", checks.Count(), checks.Failed());
    return checks.Failed() == 0 ? 0 : 1;
}
