// The measured VariantChangeType tables, held against the VariantChangeType the program is linked with.
#pragma once

#include <cstddef>
#include <string>

namespace TestSupport {

// Reports as a failure each row of the table at path (expectedRows of them) that the linked
// VariantChangeType answers otherwise. Under Wine the rows noted as answered otherwise there are skipped.
void CheckConversionTable(const std::string& path, std::size_t expectedRows);

} // namespace TestSupport
