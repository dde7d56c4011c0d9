#include <oleauto.h>

#include <FaultInjection.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The block starts with 8 bytes so the characters stay 8-byte aligned; the byte length fills the last 4.
constexpr std::size_t headerSize = 8;
constexpr std::size_t lengthOffset = headerSize - sizeof(UINT);

char* blockOf(BSTR text) {
    return reinterpret_cast<char*>(text) - headerSize;
}

// A string of byteLength bytes followed by a 16-bit NUL; the bytes are copied from source, or zeroed.
BSTR allocateString(const void* source, UINT byteLength) {
    if (FaultInjection::Fails(FaultInjection::Operation::StringAllocation))
        return nullptr;
    auto* block = static_cast<char*>(std::malloc(headerSize + byteLength + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block + lengthOffset, &byteLength, sizeof(UINT));
    char* characters = block + headerSize;
    if (source != nullptr)
        std::memcpy(characters, source, byteLength);
    else
        std::memset(characters, 0, byteLength);
    std::memset(characters + byteLength, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(characters);
}

} // namespace

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length) {
    return allocateString(bytes, length);
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > std::numeric_limits<UINT>::max() / sizeof(OLECHAR))
        return nullptr;
    return allocateString(text, static_cast<UINT>(length * sizeof(OLECHAR)));
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (text == nullptr)
        return nullptr;
    std::size_t length = 0;
    while (text[length] != u'\0')
        ++length;
    if (length > std::numeric_limits<UINT>::max())
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

void WINAPI SysFreeString(BSTR text) {
    if (text != nullptr)
        std::free(blockOf(text));
}

UINT WINAPI SysStringByteLen(BSTR text) {
    if (text == nullptr)
        return 0;
    UINT byteLength = 0;
    std::memcpy(&byteLength, blockOf(text) + lengthOffset, sizeof(UINT));
    return byteLength;
}

UINT WINAPI SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}
