// How much memory a reader takes: the growth of the resident set's high-water mark while it reads into
// a new output, in a process that ran nothing else.
#pragma once

#include <string>

namespace Bench {

// Prints `id,elements,peak_bytes,output_bytes` for the largest size the case reads into a new output. False
// when the case is unknown, is no reader, or the platform does not tell its peak.
bool PrintPeakMemory(const std::string& id);

} // namespace Bench
