#include "UTF8.h"

#include <unicode/utf8.h>

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// Skips the ASCII bytes from `i` on, eight at a time while it can.
std::size_t skipASCII(const std::uint8_t* bytes, std::size_t i, std::size_t length) {
    std::uint64_t word;
    while (length - i >= sizeof word && (std::memcpy(&word, bytes + i, sizeof word), (word & kHighBits) == 0))
        i += sizeof word;
    while (i < length && bytes[i] < 0x80) ++i;
    return i;
}

// The length of the well-formed sequence that starts with the non-ASCII byte at `i`, or 0. The
// same reading as U8_NEXT's, without assembling the code point.
std::size_t sequenceLength(const std::uint8_t* bytes, std::size_t i, std::size_t length) {
    const std::uint8_t lead = bytes[i];
    const std::size_t left = length - i;
    if (lead < 0xC2 || lead > 0xF4) return 0;
    if (lead < 0xE0) return left >= 2 && U8_IS_TRAIL(bytes[i + 1]) ? 2 : 0;
    if (lead < 0xF0)
        return left >= 3 && U8_IS_VALID_LEAD3_AND_T1(lead, bytes[i + 1]) && U8_IS_TRAIL(bytes[i + 2]) ? 3 : 0;
    return left >= 4 && U8_IS_VALID_LEAD4_AND_T1(lead, bytes[i + 1]) && U8_IS_TRAIL(bytes[i + 2]) &&
                   U8_IS_TRAIL(bytes[i + 3])
               ? 4
               : 0;
}

// The offset of the first ill-formed subsequence in `text`, or its size when there is none.
std::size_t wellFormedLength(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t length = text.size();
    std::size_t i = 0;
    while ((i = skipASCII(bytes, i, length)) < length) {
        const std::size_t n = sequenceLength(bytes, i, length);
        if (n == 0) return i;
        i += n;
    }
    return length;
}

}  // namespace

bool isUTF8(std::string_view text) { return wellFormedLength(text) == text.size(); }

std::string validUTF8(std::string text) {
    std::size_t i = wellFormedLength(text);
    if (i == text.size()) return text;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t length = text.size();
    std::string out;
    out.reserve(length + kReplacement.size());
    out.append(text, 0, i);
    while (i < length) {
        const std::size_t run = skipASCII(bytes, i, length);
        out.append(text, i, run - i);
        if ((i = run) == length) break;
        const std::size_t start = i;
        UChar32 c;
        // Advances past one well-formed sequence, or past one maximal ill-formed subsequence.
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            out.append(kReplacement);
        else
            out.append(text, start, i - start);
    }
    return out;
}

}  // namespace platform
