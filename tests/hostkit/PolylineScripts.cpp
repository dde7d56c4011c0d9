// polyline_scripts <file.vbs|file.js>: runs the script in the platform's engine with the README's
// PolylineHost as its named item Host. Exits 0 when the script ran to its end.
#include "ScriptHost.h"

#include <shellapi.h>

#include <cstdio>

IDispatch* NewPolylineHost();

int main() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring path = arguments != nullptr && count == 2 ? arguments[1] : L"";
    LocalFree(arguments);
    const std::optional<std::wstring> code = ReadScriptFile(path);
    if (!code || ScriptLanguage(path).empty() || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fputs("usage: polyline_scripts <file.vbs|file.js>\n", stderr);
        return 2;
    }
    IDispatch* host = NewPolylineHost();
    const bool ran = RunScript(ScriptLanguage(path), {{path, *code}}, *host);
    host->Release();
    CoUninitialize();
    return ran ? 0 : 1;
}
