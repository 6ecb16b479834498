#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quentrel {

// Text limits counted in user-perceived characters (extended grapheme clusters of UTF-8 text):
// a Korean syllable, or an emoji with its modifiers, is one character.

// Byte length of the first `limit` characters of `text` (all of it when it is shorter).
std::size_t graphemePrefixLength(std::string_view text, std::size_t limit);

// The first `limit` characters of `text`.
inline std::string graphemePrefix(std::string_view text, std::size_t limit) {
    return std::string(text.substr(0, graphemePrefixLength(text, limit)));
}

// Whether `text` has no more than `limit` characters.
inline bool hasAtMostGraphemes(std::string_view text, std::size_t limit) {
    return graphemePrefixLength(text, limit) == text.size();
}

}  // namespace quentrel
