// Fonts and memory device contexts behind opaque handles. Nothing is drawn, so a font is its logical
// description and a device context only answers questions about the screen.
#include <wingdi.h>
#include <GdiStandIn.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <unordered_map>
#include <variant>

namespace {

struct MemoryDeviceContext {};

using GdiObject = std::variant<LOGFONTW, MemoryDeviceContext>;

// Every handle the stand-in gave out and has not seen deleted. Handles are never reused, so a deleted
// or made-up handle stays unknown instead of naming some newer object.
class HandleTable {
public:
    // The new object's handle, or null when it cannot be stored.
    HGDIOBJ Add(const GdiObject& object) noexcept {
        const std::lock_guard lock(mutex_);
        try {
            const std::uintptr_t handle = ++lastHandle_;
            objects_.emplace(handle, object);
            return reinterpret_cast<HGDIOBJ>(handle);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    template <class Kind>
    std::optional<Kind> Find(HGDIOBJ handle) const {
        const std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == objects_.end() || !std::holds_alternative<Kind>(found->second))
            return std::nullopt;
        return std::get<Kind>(found->second);
    }

    template <class Kind>
    bool Remove(HGDIOBJ handle) noexcept {
        const std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == objects_.end() || !std::holds_alternative<Kind>(found->second))
            return false;
        objects_.erase(found);
        return true;
    }

    template <class Kind>
    std::size_t Count() const {
        const std::lock_guard lock(mutex_);
        std::size_t count = 0;
        for (const auto& entry : objects_)
            count += std::holds_alternative<Kind>(entry.second) ? 1 : 0;
        return count;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::uintptr_t, GdiObject> objects_;
    // Starts away from the small numbers a caller might make up.
    std::uintptr_t lastHandle_ = 0x10000;
};

HandleTable& Handles() {
    static HandleTable handles;
    return handles;
}

std::atomic<int> screenPixelsPerInch{96};
std::atomic<bool> deviceContextsRefused{false};

bool IsDeviceContext(HDC context) {
    return Handles().Find<MemoryDeviceContext>(context).has_value();
}

} // namespace

HFONT WINAPI CreateFontIndirectW(const LOGFONTW* logicalFont) {
    if (logicalFont == nullptr)
        return nullptr;
    return static_cast<HFONT>(Handles().Add(*logicalFont));
}

int WINAPI GetObjectW(HGDIOBJ object, int bufferSize, LPVOID buffer) {
    const std::optional<LOGFONTW> font = Handles().Find<LOGFONTW>(object);
    constexpr int fontSize = sizeof(LOGFONTW);
    if (!font)
        return 0;
    // Without a buffer the caller asks how large one must be.
    if (buffer == nullptr)
        return fontSize;
    if (bufferSize < fontSize)
        return 0;
    std::memcpy(buffer, &*font, fontSize);
    return fontSize;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    return Handles().Remove<LOGFONTW>(object) ? TRUE : FALSE;
}

HDC WINAPI CreateCompatibleDC(HDC referenceContext) {
    if (deviceContextsRefused || (referenceContext != nullptr && !IsDeviceContext(referenceContext)))
        return nullptr;
    return static_cast<HDC>(Handles().Add(MemoryDeviceContext{}));
}

int WINAPI GetDeviceCaps(HDC context, int index) {
    if (!IsDeviceContext(context))
        return 0;
    return index == LOGPIXELSX || index == LOGPIXELSY ? screenPixelsPerInch.load() : 0;
}

BOOL WINAPI DeleteDC(HDC context) {
    return Handles().Remove<MemoryDeviceContext>(context) ? TRUE : FALSE;
}

namespace GdiStandIn {

void SetScreenPixelsPerInch(int pixelsPerInch) {
    if (pixelsPerInch > 0)
        screenPixelsPerInch = pixelsPerInch;
}

int ScreenPixelsPerInch() {
    return screenPixelsPerInch;
}

void RefuseDeviceContexts(bool refuse) {
    deviceContextsRefused = refuse;
}

std::size_t LiveFontCount() {
    return Handles().Count<LOGFONTW>();
}

std::size_t LiveDeviceContextCount() {
    return Handles().Count<MemoryDeviceContext>();
}

} // namespace GdiStandIn
