// The automation host as a COM local server: clients in other processes (cscript, C++ or .NET tools,
// office macros) create the same Host object the embedded scripts see, and every value they send
// crosses the platform's standard IDispatch marshaling. No proxy or stub code of ours is involved.
// COM starts the server with -Embedding once the class is registered (Registration.h).
#pragma once

namespace AutomationHost {

// What COM starts with -Embedding: serves the Host object until no client is left; the exit code.
int ServeClients();

} // namespace AutomationHost
