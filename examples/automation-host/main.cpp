// automation_host.exe [helpers.vbs ...] <file.vbs>, or the same with .js files: runs the files in order
// as one script with the automation object Host. Exits 0 when the script ran to its end, 1 when it failed
// to parse or raised (the error printed to standard error), 2 when it could not be started or the command
// line is not one of the usage's. The server's commands are Registration.h's and LocalServer.h's.
#include "HostObject.h"
#include "LocalServer.h"
#include "Registration.h"
#include "ScriptHost.h"

#include "ComSupport.h"
#include <shellapi.h>

#include <cstdio>
#include <cwctype>
#include <optional>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: automation_host [helpers.vbs ...] <file.vbs>, or the same with .js files\n"
    "       automation_host /regserver [/machine] | /unregserver [/machine]\n"
    "       automation_host -Embedding   (how COM starts the local server)\n";

// What the command line asks for.
struct Command {
    enum class Action { runScripts, registerServer, unregisterServer, serve } action = Action::runScripts;
    bool machine = false;
    std::vector<std::wstring> paths;
};

// A switch is "/" or "-" and a name of letters; anything else is a script's path (Z:/... under Wine).
std::optional<std::wstring> SwitchName(const std::wstring& argument) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-'))
        return std::nullopt;
    for (std::size_t index = 1; index < argument.size(); ++index)
        if (!std::iswalpha(argument[index]))
            return std::nullopt;
    return argument.substr(1);
}

bool Named(const std::wstring& name, const wchar_t* expected) {
    return CompareStringOrdinal(name.c_str(), -1, expected, -1, TRUE) == CSTR_EQUAL;
}

// The command, or nothing when the command line is none of the usage's: an unknown switch, a switch
// twice or in a combination the usage does not have, scripts beside a server command, or nothing at all.
std::optional<Command> ParseCommandLine(const std::vector<std::wstring>& arguments) {
    Command command;
    int actions = 0;
    for (const std::wstring& argument : arguments) {
        const std::optional<std::wstring> name = SwitchName(argument);
        if (!name) {
            command.paths.push_back(argument);
            continue;
        }
        if (Named(*name, L"machine") && !command.machine)
            command.machine = true;
        else if (Named(*name, L"regserver"))
            command.action = Command::Action::registerServer, ++actions;
        else if (Named(*name, L"unregserver"))
            command.action = Command::Action::unregisterServer, ++actions;
        else if (Named(*name, L"Embedding"))
            command.action = Command::Action::serve, ++actions;
        else
            return std::nullopt;
    }
    const bool registration = command.action == Command::Action::registerServer ||
                              command.action == Command::Action::unregisterServer;
    if (actions > 1 || (command.machine && !registration) || (actions == 1) == !command.paths.empty())
        return std::nullopt;
    return command;
}

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
    const ComSupport::ComApartment apartment;
    if (FAILED(apartment.Result()))
        return 2;
    IDispatchPtr host;
    if (FAILED(CreateHostObject(&host)))
        return 2;
    return RunScript(language, files, *host) ? 0 : 1;
}

} // namespace

int main() {
    int count = 0;
    const ComSupport::LocalMemory<LPWSTR*> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    if (arguments.Get() == nullptr)
        return 2;
    const std::optional<Command> command =
        ParseCommandLine(std::vector<std::wstring>(arguments.Get() + 1, arguments.Get() + count));
    if (!command) {
        std::fputs(usage, stderr);
        return 2;
    }
    switch (command->action) {
    case Command::Action::registerServer:
        return AutomationHost::RegisterServer(command->machine);
    case Command::Action::unregisterServer:
        return AutomationHost::UnregisterServer(command->machine);
    case Command::Action::serve:
        return AutomationHost::ServeClients();
    case Command::Action::runScripts:
        break;
    }
    return RunFiles(command->paths);
}
