// Builders and readers of text values for the string and variant list tests.
#pragma once

#include <WindowsUtils.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace TextValues {

// Texts as the tests write them: nullopt stands for a null BSTR or a string without text buffer.
using Text = std::optional<WideString>;

inline WideString Wide(const OLECHAR* text, std::size_t length) {
    return WideString(text, length);
}

// A new BSTR holding every character of the text, embedded NULs included; null for nullopt.
inline BSTR NewBstr(const Text& text) {
    return text ? SysAllocStringLen(text->data(), static_cast<UINT>(text->size())) : nullptr;
}

inline _variant_t BstrValue(const Text& text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = NewBstr(text);
    return _variant_t(value, false);
}

// VT_ARRAY|VT_BSTR of the texts with the given lower bound.
inline _variant_t BstrArray(const std::vector<Text>& texts, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(texts.size()), lowerBound};
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_BSTR;
    value.parray = SafeArrayCreate(VT_BSTR, 1, &bound);
    auto* slots = static_cast<BSTR*>(value.parray->pvData);
    for (std::size_t index = 0; index < texts.size(); ++index)
        slots[index] = NewBstr(texts[index]);
    return _variant_t(value, false);
}

// The whole stored text of a BSTR, embedded NULs included; nullopt for a null BSTR.
inline Text TextOf(BSTR text) {
    return text != nullptr ? Text(WideString(text, SysStringLen(text))) : std::nullopt;
}

// The elements of a one-dimensional VT_ARRAY|VT_BSTR.
inline std::vector<Text> TextsOfArray(const VARIANT& value) {
    std::vector<Text> texts;
    const SAFEARRAY* array = value.parray;
    for (ULONG index = 0; index < array->rgsabound[0].cElements; ++index)
        texts.push_back(TextOf(static_cast<BSTR*>(array->pvData)[index]));
    return texts;
}

inline std::vector<Text> TextsOf(const RPArray<old::string>& strings) {
    std::vector<Text> texts;
    for (std::uint64_t index = 0; index < strings.Count(); ++index) {
        const WCHAR* text = strings[index]->Text();
        texts.push_back(text != nullptr ? Text(WideString(text, strings[index]->Length())) : std::nullopt);
    }
    return texts;
}

inline std::vector<Text> TextsOf(const std::vector<WideString>& strings) {
    return std::vector<Text>(strings.begin(), strings.end());
}

// An owning PArray of new strings with the given texts.
inline void AppendStrings(PArray<old::string>& strings, const std::vector<Text>& texts) {
    for (const Text& text : texts)
        strings.Add(new old::string(text ? text->c_str() : nullptr));
}

} // namespace TextValues
