#include "Registration.h"

#include "ServerIdentity.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace AutomationHost {

namespace {

using ServerIdentity::classId;
using ServerIdentity::progId;

constexpr const wchar_t* description = L"WindowsUtils demo automation host";

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY* Receive() noexcept { return &key_; }
    HKEY Get() const noexcept { return key_; }

private:
    HKEY key_ = nullptr;
};

LSTATUS SetDefaultValue(HKEY root, const std::wstring& path, const std::wstring& value) {
    RegistryKey key;
    const LSTATUS status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

// Removing what is not there is no error: /unregserver can run twice.
LSTATUS DeleteTree(HKEY root, const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return status;
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

const wchar_t* ScopeName(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER";
}

// The two keys, below the root's Software\Classes, that make up the registration.
std::wstring ProgIdKey() {
    return std::wstring(L"Software\\Classes\\") + progId;
}
std::wstring ClassKey() {
    return std::wstring(L"Software\\Classes\\CLSID\\") + classId;
}

int Register(HKEY root) {
    const std::wstring executable = ExecutablePath();
    if (executable.empty()) {
        std::fwprintf(stderr, L"automation_host: cannot find the program's own path\n");
        return 1;
    }
    const std::wstring classKey = ClassKey();
    const std::wstring progIdKey = ProgIdKey();
    // COM appends the -Embedding switch itself; the quotes keep a path with spaces one argument.
    const struct {
        std::wstring path;
        std::wstring value;
    } entries[] = {
        {progIdKey, description},
        {progIdKey + L"\\CLSID", classId},
        {classKey, description},
        {classKey + L"\\ProgID", progId},
        {classKey + L"\\LocalServer32", L"\"" + executable + L"\""},
    };
    for (const auto& entry : entries) {
        const LSTATUS status = SetDefaultValue(root, entry.path, entry.value);
        if (status != ERROR_SUCCESS) {
            std::fwprintf(stderr, L"automation_host: cannot write %ls\\%ls (error %ld)\n", ScopeName(root),
                          entry.path.c_str(), static_cast<long>(status));
            return 1;
        }
    }
    std::wprintf(L"registered %ls %ls in %ls: %ls\n", progId, classId, ScopeName(root), executable.c_str());
    return 0;
}

int Unregister(HKEY root) {
    for (const std::wstring& path : {ProgIdKey(), ClassKey()}) {
        const LSTATUS status = DeleteTree(root, path);
        if (status != ERROR_SUCCESS) {
            std::fwprintf(stderr, L"automation_host: cannot remove %ls\\%ls (error %ld)\n", ScopeName(root),
                          path.c_str(), static_cast<long>(status));
            return 1;
        }
    }
    std::wprintf(L"unregistered %ls from %ls\n", progId, ScopeName(root));
    return 0;
}

} // namespace

int RegisterServer(bool machine) {
    return Register(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}

int UnregisterServer(bool machine) {
    return Unregister(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}

} // namespace AutomationHost
