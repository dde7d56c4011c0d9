// The measured VariantChangeType table: its rows, and each row checked against the VariantChangeType
// the program is linked with (our stand-in on Linux, the system's under Windows or Wine).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// source_vt, source, target_vt, hresult, result_vt ("untouched" when the call must leave the
// destination alone), result, note ("in place" converts the source into itself).
struct ConversionRow {
    std::string file;
    int line = 0;
    VARTYPE sourceType = VT_EMPTY;
    std::string source;
    VARTYPE targetType = VT_EMPTY;
    HRESULT result = S_OK;
    std::optional<VARTYPE> resultType;
    std::string value;
    std::string note;

    // Wine is known to answer this row otherwise than Windows; the row holds the Windows answer.
    bool WineDiffers() const { return note.find("Wine") != std::string::npos; }
};

std::vector<ConversionRow> ReadConversionRows(const std::string& path);

// What the linked VariantChangeType does otherwise than the row says, or nothing when it agrees.
std::optional<std::string> MismatchOf(const ConversionRow& row);

// "file:line: source to vt target" for messages.
std::string Describe(const ConversionRow& row);

} // namespace TestSupport
