// The local server's registration, what /regserver and /unregserver do: ServerIdentity.h's ProgID and
// class, with the program's own path as the class's LocalServer32.
//
//   automation_host.exe /regserver [/machine]    registers the server for the current user
//   automation_host.exe /unregserver [/machine]  (or, with /machine, for every user of the machine)
//
// Per-user registration is the default. Wine's COM reads only the machine's classes (keys under
// HKEY_CURRENT_USER\Software\Classes are never looked at there), so under Wine clients need /machine.
#pragma once

namespace AutomationHost {

// Writes or removes the two keys, for the current user or, with `machine`, for every user; the process's
// exit code. Removing what is not there is no error.
int RegisterServer(bool machine);
int UnregisterServer(bool machine);

} // namespace AutomationHost
