// libFuzzer's driver for a build without libFuzzer: every file of the corpus folders given on the command
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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <set>
#include <sstream>
#include <vector>

#include "support/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string current;

extern "C" void NameTheInput(int) {
    std::fprintf(stderr, "finding on input %s\n", current.c_str());
    std::fflush(stderr);
    std::_Exit(3);
}

std::vector<std::uint8_t> Contents(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

#if defined(_WIN32)
// A crash (an access violation inside the platform, say) names its input too.
LONG WINAPI NameTheCrashingInput(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "crash 0x%08lx on input %s\n", exception->ExceptionRecord->ExceptionCode, current.c_str());
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH; // and the platform's debugger prints where
}
#endif

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
#if defined(_WIN32)
    SetUnhandledExceptionFilter(NameTheCrashingInput);
#endif
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
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[index]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end()); // the same order on every run
        for (const auto& file : files) {
            current = file.string();
            if (gaps.contains(file.parent_path().filename().string() + "/" + file.filename().string())) {
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
