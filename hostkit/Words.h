// The kit's texts are written in ASCII and handed out as OLE text.
#pragma once

#include <WindowsUtils.h>

#include <string>

namespace HostKit {

inline WideString Words(const char* text) {
    return WideString(text, text + std::char_traits<char>::length(text));
}

template <typename Integer>
WideString Number(Integer number) {
    const std::string digits = std::to_string(number);
    return WideString(digits.begin(), digits.end());
}

} // namespace HostKit
