#pragma once

#include <cstdint>

#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace platform {

// ICU's code point iteration macros as functions. The macros cast in C style and mix signed code
// points with unsigned masks on the caller's own arguments, which the project's warnings
// (-Wold-style-cast, -Wsign-conversion) would flag at every use; they are silenced here alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wsign-conversion"

// The code point of UTF-16 `text` at `index`, before `length`; `index` moves past it. An unpaired
// surrogate comes back as itself (U16_NEXT).
inline UChar32 nextUTF16CodePoint(const char16_t* text, std::int32_t& index, std::int32_t length) {
    UChar32 c;
    U16_NEXT(text, index, length, c);
    return c;
}

// The code point of UTF-8 `text` that ends at `index`, not before `start`; `index` moves to its
// first byte. Negative for an ill-formed sequence (U8_PREV).
inline UChar32 previousUTF8CodePoint(const std::uint8_t* text, std::int32_t start, std::int32_t& index) {
    UChar32 c;
    U8_PREV(text, start, index, c);
    return c;
}

#pragma GCC diagnostic pop

}  // namespace platform
