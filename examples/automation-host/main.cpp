// automation_host.exe [helpers.vbs ...] <file.vbs>, or the same with .js files: runs the files in order
// as one script with the automation object Host. Exits 0 when the script ran to its end, 1 when it failed to
// parse or raised (the error printed to standard error), 2 when it could not be started. The server switches
// are LocalServer.h's.
#include "HostObject.h"
#include "LocalServer.h"
#include "ScriptHost.h"

#include "ComPointers.h"
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace {

int RunFiles(const std::vector<std::wstring>& paths) {
    const std::wstring language = ScriptLanguage(paths.back());
    std::vector<ScriptFile> files;
    for (const std::wstring& path : paths) {
        if (language.empty() || ScriptLanguage(path) != language) {
            std::fputs("automation_host: the scripts must be .vbs files or .js files\n", stderr);
            return 2;
        }
        std::optional<std::wstring> code = ReadScriptFile(path);
        if (!code) {
            std::fputs("automation_host: a script file cannot be read as UTF-8 or UTF-16 text\n", stderr);
            return 2;
        }
        files.push_back({path, std::move(*code)});
    }
    IDispatch* created = nullptr;
    if (FAILED(CreateHostObject(&created)))
        return 2;
    IDispatchPtr host(created, false);
    return RunScript(language, files, *host) ? 0 : 1;
}

} // namespace

int main() {
    // /regserver, /unregserver, -Embedding: the host as a COM local server.
    if (const std::optional<int> served = AutomationHost::RunLocalServerCommand())
        return *served;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        std::fputs("usage: automation_host [helpers.vbs ...] <file.vbs>, or the same with .js files\n"
                   "       automation_host /regserver [/machine] | /unregserver [/machine]\n",
                   stderr);
        LocalFree(arguments);
        return 2;
    }
    const std::vector<std::wstring> paths(arguments + 1, arguments + count);
    LocalFree(arguments);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int exitCode = RunFiles(paths);
    CoUninitialize();
    return exitCode;
}
