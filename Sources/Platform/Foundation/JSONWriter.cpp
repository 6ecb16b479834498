#include "JSONWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <unicode/utf8.h>

namespace platform::json {

namespace {

constexpr std::size_t kFirstOutputLength = 1024;

// Bytes that go into a string as they are: printable ASCII but '"' and '\\', and every byte of
// a multi-byte sequence (those are checked on their own).
struct PlainBytes {
    bool table[256]{};
    constexpr PlainBytes() {
        for (int c = 0x20; c < 0x80; ++c) table[c] = c != '"' && c != '\\';
    }
};
constexpr PlainBytes kPlain;

// The exponent part of a double's text: "e+16", "e-05", "e+308".
char* appendExponent(char* out, int exponent) {
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
    return out;
}

// Writes the shortest digits that read back as `value`, placed as described at Writer.
char* formatDouble(char* out, double value) {
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (value == 0) {
        std::memcpy(out, "0.0", 3);
        return out + 3;
    }
    char scientific[32];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
    char digits[20];
    int k = 0;
    const char* p = scientific;
    for (; p != result.ptr && *p != 'e'; ++p)
        if (*p != '.') digits[k++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    const int n = exponent + 1;  // the position of the decimal point after the first digit
    constexpr int kMinimum = -4, kMaximum = 15;

    if (k <= n && n <= kMaximum) {  // 1234e7 -> 12340000000.0
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        std::memset(out + k, '0', static_cast<std::size_t>(n - k));
        out += n;
        *out++ = '.';
        *out++ = '0';
        return out;
    }
    if (0 < n && n <= kMaximum) {  // 1234e-2 -> 12.34
        std::memcpy(out, digits, static_cast<std::size_t>(n));
        out[n] = '.';
        std::memcpy(out + n + 1, digits + n, static_cast<std::size_t>(k - n));
        return out + k + 1;
    }
    if (kMinimum < n && n <= 0) {  // 1234e-6 -> 0.001234
        *out++ = '0';
        *out++ = '.';
        std::memset(out, '0', static_cast<std::size_t>(-n));
        out += -n;
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        return out + k;
    }
    *out++ = digits[0];  // 1.234e+30
    if (k > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<std::size_t>(k - 1));
        out += k - 1;
    }
    return appendExponent(out, n - 1);
}

}  // namespace

void Writer::grow(std::size_t count) {
    out_.resize(std::max({out_.size() * 2, size_ + count, kFirstOutputLength}));
}

void Writer::writeString(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const begin = p;
    const auto* const end = p + text.size();
    reserve(text.size() + 2);
    out_[size_++] = '"';
    while (p != end) {
        const auto* run = p;
        while (p != end && kPlain.table[*p]) ++p;
        write(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (p == end) break;
        const unsigned char c = *p;
        if (c >= 0x80) {
            const auto left = static_cast<std::size_t>(end - p);
            std::size_t length = 0;
            UChar32 code;
            U8_NEXT(p, length, left, code);
            if (code < 0) {
                char message[64];
                std::snprintf(message, sizeof message, "invalid UTF-8 byte at index %zu: 0x%02X",
                              static_cast<std::size_t>(p - begin), c);
                throw EncodingError(message);
            }
            write(reinterpret_cast<const char*>(p), length);
            p += length;
            continue;
        }
        char escaped[7] = {'\\', 0};
        std::size_t length = 2;
        switch (c) {
        case '"': escaped[1] = '"'; break;
        case '\\': escaped[1] = '\\'; break;
        case '\b': escaped[1] = 'b'; break;
        case '\f': escaped[1] = 'f'; break;
        case '\n': escaped[1] = 'n'; break;
        case '\r': escaped[1] = 'r'; break;
        case '\t': escaped[1] = 't'; break;
        default:
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            length = 6;
        }
        write(escaped, length);
        ++p;
    }
    put('"');
}

void Writer::writeDouble(double value) {
    if (!std::isfinite(value))
        throw EncodingError("Unable to encode Double." + std::to_string(value) + " directly in JSON.");
    char buffer[40];
    write(buffer, static_cast<std::size_t>(formatDouble(buffer, value) - buffer));
}

}  // namespace platform::json
