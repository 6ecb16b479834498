#include "Base64.h"

#include <array>

namespace platform {

namespace {
constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> decodeTable() {
    std::array<std::int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return t;
}
constexpr auto table = decodeTable();
}  // namespace

std::string base64Encode(const Data& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        std::uint32_t n = std::uint32_t(data[i]) << 16 | std::uint32_t(data[i + 1]) << 8 | data[i + 2];
        out.push_back(alphabet[n >> 18 & 63]);
        out.push_back(alphabet[n >> 12 & 63]);
        out.push_back(alphabet[n >> 6 & 63]);
        out.push_back(alphabet[n & 63]);
    }
    std::size_t rest = data.size() - i;
    if (rest > 0) {
        std::uint32_t n = std::uint32_t(data[i]) << 16;
        if (rest == 2) n |= std::uint32_t(data[i + 1]) << 8;
        out.push_back(alphabet[n >> 18 & 63]);
        out.push_back(alphabet[n >> 12 & 63]);
        out.push_back(rest == 2 ? alphabet[n >> 6 & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::optional<Data> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    Data out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int pad = 0;
        std::uint32_t n = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                ++pad;
                n <<= 6;
                continue;
            }
            int v = table[static_cast<unsigned char>(c)];
            if (v < 0 || pad > 0) return std::nullopt;
            n = n << 6 | static_cast<std::uint32_t>(v);
        }
        out.push_back(static_cast<std::uint8_t>(n >> 16));
        if (pad < 2) out.push_back(static_cast<std::uint8_t>(n >> 8));
        if (pad < 1) out.push_back(static_cast<std::uint8_t>(n));
    }
    return out;
}

}  // namespace platform
