// The automation host as a COM local server: clients in other processes (cscript, C++ or .NET tools,
// office macros) create the same Host object the embedded scripts see, and every value they send
// crosses the platform's standard IDispatch marshaling. No proxy or stub code of ours is involved.
//
//   automation_host.exe /regserver [/machine]    registers the server (ServerIdentity.h) for the current user
//   automation_host.exe /unregserver [/machine]  (or, with /machine, for every user of the machine)
//   automation_host.exe -Embedding               what COM starts: serves until the last client is gone
//
// Per-user registration is the default. Wine's COM reads only the machine's classes (keys under
// HKEY_CURRENT_USER\Software\Classes are never looked at there), so under Wine clients need /machine.
#pragma once

namespace AutomationHost {

// The registration of ServerIdentity.h's class and ProgID, for the current user or, with `machine`, for
// every user; the process's exit code.
int RegisterServer(bool machine);
int UnregisterServer(bool machine);

// What COM starts with -Embedding: serves the Host object until no client is left; the exit code.
int ServeClients();

} // namespace AutomationHost
