#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUTF8(std::string_view text);

// `text` as well-formed UTF-8: each maximal ill-formed subsequence (the longest start of a
// well-formed sequence, or else a single byte) becomes one U+FFFD, as the Unicode standard
// recommends. Well-formed text comes back as it is.
std::string validUTF8(std::string text);

}  // namespace platform
