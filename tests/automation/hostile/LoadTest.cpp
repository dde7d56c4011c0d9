// Many clients at once against one local server, each a process of its own making checked calls.
//   automation_load_test run PROGID CLIENTS CALLS [KILLED]
//       starts CLIENTS client processes together; each makes CALLS calls whose answers it knows (numbers,
//       whole numbers, texts and points that must come back as sent) and checks them. With KILLED, that
//       many clients are ended (TerminateProcess) in the middle of their calls; the others must go on
//       being served, right. Prints throughput, latency (median, 99th percentile) and, once the last
//       client is gone, how long the server takes to leave (waiting at most 90 s).
//   automation_load_test client PROGID SEED CALLS FILE   one client; its latencies go to FILE
#include "Support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace Hostile;

namespace {

struct Owned {
    VARIANT value;
    Owned() { VariantInit(&value); }
    ~Owned() { VariantClear(&value); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

// A one-dimensional array from 0 of `type` holding `count` elements made by `fill`.
template <class Fill>
void MakeArray(VARIANT& value, VARTYPE type, ULONG count, Fill fill) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, count);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < count; ++index)
        fill(data, index);
    SafeArrayUnaccessData(array);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | type);
    value.parray = array;
}

// One checked call: which member, the argument, and whether the answer holds the values sent.
bool CheckedCall(IDispatch& host, const DISPID (&ids)[4], Random& random) {
    const std::uint32_t kind = random.Below(4);
    const ULONG count = (kind == 3 ? 3 : 1) * (1 + random.Below(40));
    Owned argument;
    std::vector<double> numbers;
    std::vector<std::wstring> texts;
    switch (kind) {
    case 0: // Numbers
    case 3: // Points: three numbers a point
        MakeArray(argument.value, VT_R8, count, [&](void* data, ULONG index) {
            const double number =
                static_cast<double>(static_cast<std::int64_t>(random.Below(2000001)) - 1000000) / 128;
            static_cast<double*>(data)[index] = number;
            numbers.push_back(number);
        });
        break;
    case 1: // Integers
        MakeArray(argument.value, VT_I4, count, [&](void* data, ULONG index) {
            const auto number = static_cast<LONG>(random.Next());
            static_cast<LONG*>(data)[index] = number;
            numbers.push_back(number);
        });
        break;
    default: // Texts
        MakeArray(argument.value, VT_BSTR, count, [&](void* data, ULONG index) {
            texts.push_back(std::to_wstring(random.Next()) + L" text " + std::to_wstring(index));
            static_cast<BSTR*>(data)[index] = SysAllocString(texts.back().c_str());
        });
    }
    Owned answer;
    const HRESULT result = CallMethod(host, ids[kind], argument.value, &answer.value);
    if (result != S_OK || answer.value.vt != (VT_ARRAY | VT_VARIANT) || answer.value.parray == nullptr ||
        answer.value.parray->rgsabound[0].cElements != count)
        return false;
    const auto* elements = static_cast<const VARIANT*>(answer.value.parray->pvData);
    for (ULONG index = 0; index < count; ++index) {
        const VARIANT& element = elements[index];
        if (kind == 2) {
            if (element.vt != VT_BSTR || element.bstrVal == nullptr || texts[index] != element.bstrVal)
                return false;
        } else if (kind == 1) {
            if (element.vt != VT_I4 || element.lVal != numbers[index])
                return false;
        } else if (element.vt != VT_R8 || element.dblVal != numbers[index]) {
            return false;
        }
    }
    return true;
}

int Client(const wchar_t* progId, std::uint64_t seed, std::uint64_t calls, const char* file) {
    Apartment apartment(COINIT_APARTMENTTHREADED);
    Reference<IDispatch> host;
    const HRESULT created = CreateServerObject(progId, host);
    if (FAILED(created)) {
        std::printf("client %llu: refused (0x%08lX)\n", static_cast<unsigned long long>(seed),
                    static_cast<unsigned long>(created));
        return 2;
    }
    const DISPID ids[4] = {MemberId(*host.Get(), L"Numbers"), MemberId(*host.Get(), L"Integers"),
                           MemberId(*host.Get(), L"Texts"), MemberId(*host.Get(), L"Points")};
    Random random(seed);
    std::vector<float> latencies;
    std::uint64_t wrong = 0;
    for (std::uint64_t index = 0; index < calls; ++index) {
        const double started = Now();
        if (!CheckedCall(*host.Get(), ids, random))
            ++wrong;
        latencies.push_back(static_cast<float>(Now() - started));
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(latencies.data()),
              static_cast<std::streamsize>(latencies.size() * sizeof(float)));
    std::printf("client %llu: %llu calls, %llu wrong\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(calls), static_cast<unsigned long long>(wrong));
    return wrong == 0 ? 0 : 1;
}

// The server processes running now (this build's automation_host.exe, started by COM).
std::vector<DWORD> ServerProcesses() {
    std::vector<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"automation_host.exe") == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

int Run(const std::string& progId, unsigned clients, std::uint64_t calls, unsigned killed) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::vector<PROCESS_INFORMATION> processes(clients);
    std::vector<std::string> files(clients);
    const double started = Now();
    for (unsigned index = 0; index < clients; ++index) {
        files[index] = std::string(folder) + "load-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(index);
        std::string command = "\"" + std::string(self) + "\" client " + progId + " " +
                              std::to_string(index + 1) + " " + std::to_string(calls) + " \"" + files[index] +
                              "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &processes[index])) {
            std::printf("FAIL: client %u not started\n", index);
            return 1;
        }
    }
    // Every fourth client from the first is ended once the clients are well into their calls.
    std::vector<bool> ended(clients, false);
    if (killed > 0) {
        Sleep(1500);
        for (unsigned index = 0, done = 0; index < clients && done < killed; index += 4, ++done) {
            TerminateProcess(processes[index].hProcess, 9);
            ended[index] = true;
        }
    }
    unsigned failed = 0;
    double lastEnded = 0;
    for (unsigned index = 0; index < clients; ++index) {
        WaitForSingleObject(processes[index].hProcess, INFINITE);
        lastEnded = Now();
        DWORD code = 1;
        GetExitCodeProcess(processes[index].hProcess, &code);
        CloseHandle(processes[index].hThread);
        CloseHandle(processes[index].hProcess);
        if (!ended[index] && code != 0) {
            ++failed;
            std::printf("FAIL: client %u ended with %lu\n", index + 1, static_cast<unsigned long>(code));
        }
    }
    const double wall = lastEnded - started;
    std::vector<float> latencies;
    for (unsigned index = 0; index < clients; ++index) {
        if (ended[index])
            continue;
        std::ifstream in(files[index], std::ios::binary);
        float latency = 0;
        while (in.read(reinterpret_cast<char*>(&latency), sizeof(latency)))
            latencies.push_back(latency);
        in.close();
        DeleteFileA(files[index].c_str());
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double fraction) {
        return latencies.empty()
                   ? 0.0
                   : 1000.0 * latencies[static_cast<std::size_t>(fraction * (latencies.size() - 1))];
    };
    const std::size_t expected = std::size_t{clients - killed} * calls;
    if (latencies.size() != expected) {
        ++failed;
        std::printf("FAIL: %zu calls timed, %zu expected\n", latencies.size(), expected);
    }
    // The server leaves some time after its last client: measured here, not asserted (scripts/hostile reports
    // it).
    double left = -1;
    for (int tick = 0; tick < 900; ++tick) {
        if (ServerProcesses().empty()) {
            left = Now() - lastEnded;
            break;
        }
        Sleep(100);
    }
    char leaving[64];
    if (left >= 0)
        std::snprintf(leaving, sizeof(leaving), "server left %.1f s after the last client", left);
    else
        std::snprintf(leaving, sizeof(leaving), "server still running 90 s after the last client");
    std::printf(
        "load: %u clients (%u ended mid-call), %zu checked calls in %.1f s: %.0f calls/s, median %.2f ms, "
        "p99 %.2f ms; %s; %u failed\n",
        clients, killed, latencies.size(), wall, static_cast<double>(latencies.size()) / wall, at(0.5),
        at(0.99), leaving, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "client" && argc == 6) {
        const std::string progId = argv[2];
        return Client(std::wstring(progId.begin(), progId.end()).c_str(), std::strtoull(argv[3], nullptr, 10),
                      std::strtoull(argv[4], nullptr, 10), argv[5]);
    }
    if (mode == "run" && (argc == 5 || argc == 6))
        return Run(argv[2], static_cast<unsigned>(std::atoi(argv[3])), std::strtoull(argv[4], nullptr, 10),
                   argc == 6 ? static_cast<unsigned>(std::atoi(argv[5])) : 0);
    std::fprintf(stderr, "usage: automation_load_test run PROGID CLIENTS CALLS [KILLED]\n"
                         "       automation_load_test client PROGID SEED CALLS FILE\n");
    return 2;
}
