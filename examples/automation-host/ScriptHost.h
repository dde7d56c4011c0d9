// The Active Scripting site that runs one script file in the platform's VBScript or JScript engine,
// with the host's automation object as the named item `Host` and a `WScript` item whose `Echo` prints
// its arguments as one line on standard output (UTF-8).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>
#include <vector>

// The engine for a script file: "VBScript" for .vbs, "JScript" for .js, empty for anything else.
std::wstring ScriptLanguage(const std::wstring& path);

// A script file's text: UTF-16 (little endian) with its byte-order mark, or UTF-8 with or without one.
// Empty when the file cannot be read or is not valid UTF-8.
std::optional<std::wstring> ReadScriptFile(const std::wstring& path);

// One script file: its name, for error messages, and its text.
struct ScriptFile {
    std::wstring name;
    std::wstring code;
};

// Runs the files in order in one engine, as one script (a file of shared helpers first), to its end. A
// script that fails to parse or raises has its file, line and description printed to standard error;
// the result is then false.
bool RunScript(const std::wstring& language, const std::vector<ScriptFile>& files, IDispatch& host);
