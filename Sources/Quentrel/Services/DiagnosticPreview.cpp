#include "DiagnosticPreview.h"

#include <cstdint>
#include <string_view>

namespace quentrel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The well-formed sequences: a lead byte fixes the length and the range of the second byte;
// every further byte is 80..BF. Lead bytes C0, C1 and F5..FF never start one.
struct Lead {
    std::size_t length;
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
};

constexpr Lead leadOf(std::uint8_t b) {
    if (b < 0x80) return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};  // no surrogates
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};  // nothing above U+10FFFF
    return {0, 0, 0};
}

// `bytes` decoded as UTF-8, replacing every maximal subpart of an ill-formed sequence (the longest
// prefix of a well-formed sequence, or else one byte) with one U+FFFD.
std::string lossyUTF8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Lead lead = leadOf(static_cast<std::uint8_t>(bytes[i]));
        if (lead.length == 1) {
            out.push_back(bytes[i++]);
            continue;
        }
        // An invalid lead byte is a subpart of its own; otherwise take the bytes that continue the
        // sequence and stop at the first that cannot.
        std::size_t taken = 1;
        while (taken < lead.length && i + taken < bytes.size()) {
            const auto b = static_cast<std::uint8_t>(bytes[i + taken]);
            const bool fits = taken == 1 ? (b >= lead.secondLow && b <= lead.secondHigh) : (b >= 0x80 && b <= 0xBF);
            if (!fits) break;
            ++taken;
        }
        if (taken == lead.length)
            out.append(bytes.substr(i, taken));
        else
            out.append(kReplacement);
        i += taken;
    }
    return out;
}

}  // namespace

std::string DiagnosticPreview::text() const {
    return lossyUTF8(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

void DiagnosticPreview::encode(platform::json::ObjectEncoder& e) const {
    e.field("data", data).field("createdAt", createdAt);
}

DiagnosticPreview DiagnosticPreview::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<platform::Data>("data"), d.required<platform::Date>("createdAt")};
}

}  // namespace quentrel
