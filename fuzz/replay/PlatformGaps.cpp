// Wine's oleaut32 crashes on values that Windows answers without crashing, and that the fuzz corpora hold: each probe runs in a child process of its own, so a crash is seen rather than suffered.
// A probe whose call answers as Windows does passes; one that crashes is a known platform gap (the test
// is skipped, and the replay leaves the inputs listed in known-platform-gaps.txt out); any other answer
// fails.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int skipped = 77;

// Any answer but a crash: Windows' exact code for the probe is not recorded.
constexpr HRESULT anyAnswer = S_FALSE;

struct Probe {
    const char* name;
    const char* form;
    HRESULT windowsAnswer;
    HRESULT (*call)();
};

// VariantChangeType on a VT_BYREF|VT_VARIANT whose VARIANT holds no valid type but has VT_BYREF among its
// bits, its payload not a pointer: Windows checks the type and answers DISP_E_BADVARTYPE.
HRESULT ReferenceToInvalidType() {
    VARIANT inner;
    inner.vt = 0x7F7F;
    inner.llVal = static_cast<LONGLONG>(0xF783FE00FF400740ull);
    VARIANT outer;
    outer.vt = VT_BYREF | VT_VARIANT;
    outer.pvarVal = &inner;
    VARIANT number;
    VariantInit(&number);
    return VariantChangeType(&number, &outer, 0, VT_R8);
}

// VariantChangeType of a DECIMAL whose scale is beyond 28 (255, every digit bit set, negative) to a text:
// its digits do not fit the 256 characters Wine writes them into.
HRESULT DecimalScaleBeyond28ToText() {
    VARIANT decimal;
    VariantInit(&decimal);
    std::memset(&decimal.decVal, 0xFF, sizeof(decimal.decVal));
    decimal.decVal.sign = DECIMAL_NEG;
    decimal.vt = VT_DECIMAL; // over the DECIMAL's wReserved
    VARIANT text;
    VariantInit(&text);
    const HRESULT result = VariantChangeType(&text, &decimal, 0, VT_BSTR);
    VariantClear(&text);
    return FAILED(result) ? result : anyAnswer;
}

constexpr Probe probes[] = {
    {"ReferenceToInvalidType", "VT_BYREF|VT_VARIANT -> vt 0x7F7F", DISP_E_BADVARTYPE, ReferenceToInvalidType},
    {"DecimalScaleBeyond28ToText", "VT_DECIMAL of scale 255 to VT_BSTR", anyAnswer, DecimalScaleBeyond28ToText},
};

// Runs this program again for one probe; its exit code is the probe's HRESULT, or the crash's code.
DWORD RunChild(const char* name) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2) {
        for (const Probe& probe : probes)
            if (std::strcmp(argv[1], probe.name) == 0) {
                SetErrorMode(SEM_NOGPFAULTERRORBOX); // a crash ends the child quietly
                return static_cast<int>(probe.call());
            }
        return 2;
    }
    int gaps = 0;
    int wrong = 0;
    for (const Probe& probe : probes) {
        const DWORD code = RunChild(probe.name);
        if (code == static_cast<DWORD>(probe.windowsAnswer) ||
            (probe.windowsAnswer == anyAnswer && code != EXCEPTION_ACCESS_VIOLATION)) {
            std::printf("%s: 0x%08lX as on Windows\n", probe.name, code);
        } else if (code == EXCEPTION_ACCESS_VIOLATION) {
            ++gaps;
            std::printf("known platform gap %s: VariantChangeType on %s crashes (access violation), where "
                        "Windows answers %s\n",
                        probe.name, probe.form, probe.windowsAnswer == anyAnswer ? "without crashing" : "an error");
        } else {
            ++wrong;
            std::printf("FAIL %s: 0x%08lX, expected 0x%08lX\n", probe.name, code,
                        static_cast<unsigned long>(probe.windowsAnswer));
        }
    }
    return wrong > 0 ? 1 : gaps > 0 ? skipped : 0;
}
