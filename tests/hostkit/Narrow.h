// The kit's texts, which are ASCII, as std::string: compared with the expected words and printed by
// GoogleTest when they differ.
#pragma once

#include <WindowsUtils.h>

#include <string>

inline std::string Narrow(const WideString& text) {
    return std::string(text.begin(), text.end());
}
