// What a module's runtime does for the code in it: function-local statics made once across threads,
// thread-local storage, over-aligned allocation, locale facets. The Microsoft-ABI build's own startup
// code provides these (platform/visual-cpp-runtime); every other toolchain makes the same promises.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::atomic<int> constructions{0};
std::atomic<bool> released{false};

struct SlowToMake {
    SlowToMake() {
        ++constructions;
        // Holds every other thread at the guard while this one initializes.
        while (!released)
            std::this_thread::yield();
    }
};

const SlowToMake* Shared() {
    static SlowToMake value;
    return &value;
}

int attempts = 0;

int MadeOnSecondAttempt() {
    static const int value = [] {
        if (++attempts == 1)
            throw std::runtime_error("first attempt");
        return 42;
    }();
    return value;
}

thread_local int perThread = 5;

// Counts the ends of the thread_local objects of its kind.
int threadObjectsEnded = 0;
struct EndsWithItsThread {
    int value = 1;
    ~EndsWithItsThread() { ++threadObjectsEnded; }
};
EndsWithItsThread& ThreadObject() {
    thread_local EndsWithItsThread object;
    return object;
}

struct alignas(64) CacheLine {
    unsigned char bytes[64];
};

} // namespace

// Eight threads reach a static whose initializer is slow: it runs once, and all get the one object.
// An initializer that throws leaves the static to be made by the next call.
TEST(FunctionLocalStatics, MadeOnceAcrossThreadsAndRetriedAfterAThrow) {
    std::vector<const SlowToMake*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t index = 0; index < seen.size(); ++index)
        threads.emplace_back([&seen, index] { seen[index] = Shared(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    released = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(constructions, 1);
    for (const SlowToMake* address : seen)
        EXPECT_EQ(address, seen[0]);

    EXPECT_THROW(MadeOnSecondAttempt(), std::runtime_error);
    EXPECT_EQ(MadeOnSecondAttempt(), 42);
    EXPECT_EQ(MadeOnSecondAttempt(), 42);
    EXPECT_EQ(attempts, 2);
}

// Each thread starts from the initial value and changes only its own copy; a thread's objects with a
// destructor end with it, each once.
TEST(ThreadLocalStorage, EachThreadHasItsOwnCopy) {
    perThread = 7;
    int otherStart = 0, otherEnd = 0;
    std::thread other([&] {
        otherStart = perThread;
        perThread += 100;
        otherEnd = perThread;
    });
    other.join();
    std::thread user([] { ThreadObject().value += 1; });
    user.join();
    std::thread second([] { ThreadObject().value += 2; });
    second.join();
    EXPECT_EQ(threadObjectsEnded, 2);
    EXPECT_EQ(otherStart, 5);
    EXPECT_EQ(otherEnd, 105);
    EXPECT_EQ(perThread, 7);
}

// new honours an alignment above the heap's own; a copied exception keeps its message; a stream's
// number facet formats in the classic locale.
TEST(Runtime, AlignedAllocationExceptionCopiesAndFacets) {
    std::vector<std::unique_ptr<CacheLine>> lines;
    for (int count = 0; count < 16; ++count) {
        lines.push_back(std::make_unique<CacheLine>());
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(lines.back().get()) % 64, 0u);
    }

    const std::runtime_error original(std::string("copied ") + "message");
    const std::runtime_error copy = original;
    EXPECT_STREQ(copy.what(), "copied message");

    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << 1234.5 << ' ' << -7;
    EXPECT_EQ(text.str(), "1234.5 -7");
}
