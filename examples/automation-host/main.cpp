// automation_host.exe <file.vbs|file.js>: runs the script with the automation object Host. Exits 0 when
// the script ran to its end, 1 when it failed to parse or raised (the error printed to standard error),
// 2 when it could not be started. The server switches are LocalServer.h's.
#include "HostObject.h"
#include "LocalServer.h"
#include "ScriptHost.h"

#include "ComPointers.h"
#include <shellapi.h>

#include <cstdio>

namespace {

int RunFile(const std::wstring& path) {
    const std::wstring language = ScriptLanguage(path);
    if (language.empty()) {
        std::fputs("automation_host: the script must be a .vbs or .js file\n", stderr);
        return 2;
    }
    const std::optional<std::wstring> code = ReadScriptFile(path);
    if (!code) {
        std::fputs("automation_host: the script file cannot be read as UTF-8 or UTF-16 text\n", stderr);
        return 2;
    }
    IDispatch* created = nullptr;
    if (FAILED(CreateHostObject(&created)))
        return 2;
    IDispatchPtr host(created, false);
    return RunScript(language, *code, path, *host) ? 0 : 1;
}

} // namespace

int main() {
    // /regserver, /unregserver, -Embedding: the host as a COM local server.
    if (const std::optional<int> served = AutomationHost::RunLocalServerCommand())
        return *served;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 2) {
        std::fputs("usage: automation_host <file.vbs|file.js>\n"
                   "       automation_host /regserver [/machine] | /unregserver [/machine]\n",
                   stderr);
        LocalFree(arguments);
        return 2;
    }
    const std::wstring path = arguments[1];
    LocalFree(arguments);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int exitCode = RunFile(path);
    CoUninitialize();
    return exitCode;
}
