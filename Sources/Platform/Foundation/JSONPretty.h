#pragma once

// The text form of the two diagnostic exports; every other document is written compactly
// (JSONCoding.h).

#include <string>
#include <string_view>
#include <vector>

namespace platform::json {

// What a document leaves out of its pretty text: the members named in `keys`, at every depth
// inside the root's member `within`. Nothing when `within` is empty.
struct Redaction {
    std::string_view within;
    std::vector<std::string_view> keys;
};

// The compact JSON text of one value, pretty-printed with two-space indents and "key" : value,
// keys sorted by their UTF-8 bytes, slashes not escaped, scalars as the compact writer writes
// them. Fails with DecodingError on text that does not decode.
std::string prettySortedText(std::string_view text, const Redaction& redaction = {});

}  // namespace platform::json
