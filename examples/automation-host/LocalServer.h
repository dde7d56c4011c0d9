// The automation host as a COM local server: clients in other processes (cscript, C++ or .NET tools,
// office macros) create the same Host object the embedded scripts see, and every value they send
// crosses the platform's standard IDispatch marshaling. No proxy or stub code of ours is involved.
//
//   automation_host.exe /regserver [/machine]    registers WindowsUtils.DemoHost for the current user
//   automation_host.exe /unregserver [/machine]  (or, with /machine, for every user of the machine)
//   automation_host.exe -Embedding               what COM starts: serves until the last client is gone
//
// Per-user registration is the default. Wine's COM reads only the machine's classes (keys under
// HKEY_CURRENT_USER\Software\Classes are never looked at there), so under Wine clients need /machine.
#pragma once

#include <optional>

namespace AutomationHost {

// {E57DA5A5-F818-4887-887C-D758AD434369}, the class the local server registers and serves.
extern const wchar_t* const LocalServerClassId;
// What clients pass to CreateObject.
extern const wchar_t* const LocalServerProgId;

// Carries out the server command on the process's command line and returns the process's exit code,
// or nothing when the command line holds none of the server's switches (the host then runs a script).
std::optional<int> RunLocalServerCommand();

} // namespace AutomationHost
