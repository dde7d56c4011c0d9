#include <gkern/ExceptionMode.h>

#include <atomic>

namespace {

// Off until a host turns it on: capacity failures report false.
std::atomic<bool> exceptionsEnabled{false};

} // namespace

bool ExceptionMode::IsEnabled() {
    return exceptionsEnabled.load();
}

bool ExceptionMode::Enable(bool enabled) {
    return exceptionsEnabled.exchange(enabled);
}
