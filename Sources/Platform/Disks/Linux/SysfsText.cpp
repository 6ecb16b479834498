#include "SysfsText.h"

#include <vector>

namespace platform::sysfs {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The fields of a block device's stat file, in the order of the block layer's
// Documentation/block/stat.rst. Kernels write 11, 15 or 17 of them; only the first seven are read.
struct BlockStatField {
    enum : std::size_t { readIOs, readMerges, readSectors, readTicks, writeIOs, writeMerges, writeSectors, countRead };
};
// The file's sectors are the standard UNIX 512-byte sectors whatever the device's or the file
// system's block size (stat.rst).
constexpr std::uint64_t blockStatSectorBytes = 512;

}  // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> pieces(std::string_view text, char separator) {
    std::vector<std::string_view> found;
    while (!text.empty()) {
        auto end = text.find(separator);
        auto piece = text.substr(0, end);
        if (!piece.empty()) found.push_back(piece);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return found;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<BlockStatBytes> parseBlockStat(std::string_view text) {
    using Field = BlockStatField;
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < text.size() && fields.size() < Field::countRead) {
        while (i < text.size() && isSpace(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !isSpace(text[i])) ++i;
        if (i > start) fields.push_back(text.substr(start, i - start));
    }
    if (fields.size() < Field::countRead) return std::nullopt;
    for (std::string_view field : fields)
        if (!parseUnsigned(field)) return std::nullopt;
    auto readSectors = *parseUnsigned(fields[Field::readSectors]);
    auto writeSectors = *parseUnsigned(fields[Field::writeSectors]);
    if (readSectors > UINT64_MAX / blockStatSectorBytes || writeSectors > UINT64_MAX / blockStatSectorBytes)
        return std::nullopt;
    return BlockStatBytes{readSectors * blockStatSectorBytes, writeSectors * blockStatSectorBytes};
}

std::map<std::string, std::string, std::less<>> parseUevent(std::string_view text) {
    std::map<std::string, std::string, std::less<>> values;
    while (!text.empty()) {
        auto end = text.find('\n');
        auto line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        auto equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) continue;
        values.emplace(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
    }
    return values;
}

std::string unescapeUdev(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            int high = hexDigit(text[i + 2]);
            int low = hexDigit(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::optional<int> usbSpeedCode(std::string_view text) {
    text = trimmed(text);
    if (text == "1.5") return 2;
    if (text == "12") return 1;
    if (text == "480") return 3;
    if (text == "5000") return 4;
    if (text == "10000") return 5;
    if (text == "20000") return 6;
    return std::nullopt;
}

std::optional<int> thunderboltSpeedCode(std::string_view text) {
    text = trimmed(text);
    constexpr std::string_view unit = " Gb/s";
    if (text.size() <= unit.size() || text.substr(text.size() - unit.size()) != unit) return std::nullopt;
    text.remove_suffix(unit.size());
    if (text.size() > 2 && text.substr(text.size() - 2) == ".0") text.remove_suffix(2);
    auto gigabits = parseUnsigned(text);
    if (!gigabits || text != trimmed(text)) return std::nullopt;
    if (*gigabits == 10) return 8;
    if (*gigabits == 20) return 4;
    return std::nullopt;
}

std::optional<UuidBytes> volumeUUIDBytes(std::string_view text) {
    text = trimmed(text);
    std::string digits;
    for (char c : text) {
        if (c == '-') continue;
        if (hexDigit(c) < 0) return std::nullopt;
        digits += c;
    }
    if (digits.empty() || digits.size() > 32) return std::nullopt;
    digits.insert(0, 32 - digits.size(), '0');
    UuidBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(hexDigit(digits[2 * i]) * 16 + hexDigit(digits[2 * i + 1]));
    return bytes;
}

}  // namespace platform::sysfs
