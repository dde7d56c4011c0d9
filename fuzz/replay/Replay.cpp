// libFuzzer's driver for the Windows builds, which have no libFuzzer: every file of the corpus folders given on the command
// line is handed once to the target's LLVMFuzzerTestOneInput, so the platform's own OLE Automation (Wine's
// oleaut32 in the Windows build) meets the inputs the native fuzzing found, under the same checks. A
// finding aborts; the input that caused it is named first.
//   <Target>Replay [--skip known-platform-gaps.txt] corpus-folder...
// Under Wine, the inputs the list names (target/input, each with the probe that shows the platform's
// crash) are left out and counted.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <set>
#include <sstream>
#include <vector>

#include "support/Platform.h"

#include <windows.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string current;

extern "C" void NameTheInput(int) {
    std::fprintf(stderr, "finding on input %s\n", current.c_str());
    std::fflush(stderr);
    std::_Exit(3);
}

std::vector<std::uint8_t> Contents(const std::string& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// The names of a folder's files, sorted so that every run takes them in the same order. (Not
// std::filesystem: the Microsoft STL's needs runtime exports that Wine's msvcp140 lacks.)
std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A crash (an access violation inside the platform, say) names its input too.
LONG WINAPI NameTheCrashingInput(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "crash 0x%08lx on input %s\n", exception->ExceptionRecord->ExceptionCode, current.c_str());
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH; // and the platform's debugger prints where
}

// The list's target/input names, the comment lines left out.
std::set<std::string> KnownPlatformGaps(const char* list) {
    std::set<std::string> names;
    std::ifstream stream(list);
    if (!stream)
        std::fprintf(stderr, "cannot read %s\n", list), std::exit(2);
    std::string line;
    while (std::getline(stream, line)) {
        std::istringstream words(line);
        std::string name;
        if (words >> name && name[0] != '#')
            names.insert(name);
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGABRT, NameTheInput);
    SetUnhandledExceptionFilter(NameTheCrashingInput);
    std::size_t inputs = 0;
    std::size_t bytes = 0;
    std::size_t skipped = 0;
    std::set<std::string> gaps;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--skip") {
        if (TestSupport::RunningUnderWine())
            gaps = KnownPlatformGaps(argv[2]);
        first = 3;
    }
    for (int index = first; index < argc; ++index) {
        std::string folder = argv[index];
        while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
            folder.pop_back();
        const std::string target = folder.substr(folder.find_last_of("/\\") + 1);
        for (const std::string& name : FileNames(folder)) {
            const std::string file = folder + "/" + name;
            current = file;
            if (gaps.contains(target + "/" + name)) {
                std::printf("skipped %s: a known platform gap\n", current.c_str());
                ++skipped;
                continue;
            }
            const std::vector<std::uint8_t> data = Contents(file);
            LLVMFuzzerTestOneInput(data.data(), data.size());
            ++inputs;
            bytes += data.size();
        }
    }
    // An empty or missing corpus proves nothing: it fails.
    std::printf("%zu inputs replayed (%zu bytes), %zu skipped\n", inputs, bytes, skipped);
    return inputs > 0 ? 0 : 1;
}
