#pragma once

// The text writer of the JSON coding (JSONCoding.h): compact JSON appended to a string as it is
// given, nothing built in between.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::json {

class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes no white space; puts the commas and colons that the order of the calls asks for (every
// member of an object is given its key first, and everything opened is closed). Strings: only '"',
// '\\' and control characters are escaped (\u00xx in lower case), and the text must be UTF-8.
// Doubles: the shortest digits that read back as the same value, with ".0" on whole numbers and an
// exponent ("1e+15", "1e-05") below 1e-4 and from 1e15 on.
//
// The string grows ahead of what is written, in doubling steps, and is trimmed to it when the
// writer is destroyed.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out), size_(out.size()) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { out_.resize(size_); }

    void Null() {
        beginValue();
        write("null", 4);
    }
    void Bool(bool value) {
        beginValue();
        if (value)
            write("true", 4);
        else
            write("false", 5);
    }
    void Int64(std::int64_t value) {
        beginValue();
        writeInteger(value);
    }
    void Uint64(std::uint64_t value) {
        beginValue();
        writeInteger(value);
    }
    // Throws EncodingError for a non-finite value.
    void Double(double value) {
        beginValue();
        writeDouble(value);
    }
    // Throws EncodingError for text that is not UTF-8.
    void String(std::string_view text) {
        beginValue();
        writeString(text);
    }
    void Key(std::string_view name) {
        String(name);
        put(':');
        separate_ = false;
    }
    void StartObject() { open('{'); }
    void EndObject() { close('}'); }
    void StartArray() { open('['); }
    void EndArray() { close(']'); }

private:
    // A value or a key that follows another value in its container is separated from it.
    void beginValue() {
        if (separate_) put(',');
        separate_ = true;
    }
    void open(char bracket) {
        beginValue();
        put(bracket);
        separate_ = false;
    }
    void close(char bracket) {
        put(bracket);
        separate_ = true;
    }

    void reserve(std::size_t count) {
        if (out_.size() - size_ < count) grow(count);
    }
    void put(char c) {
        reserve(1);
        out_[size_++] = c;
    }
    void write(const char* bytes, std::size_t count) {
        reserve(count);
        if (count != 0) std::memcpy(out_.data() + size_, bytes, count);
        size_ += count;
    }
    template <class Integer>
    void writeInteger(Integer value) {
        reserve(20);  // the longest: "-9223372036854775808", "18446744073709551615"
        char* const begin = out_.data() + size_;
        size_ += static_cast<std::size_t>(std::to_chars(begin, begin + 20, value).ptr - begin);
    }
    void writeString(std::string_view text);
    void writeDouble(double value);
    void grow(std::size_t count);

    std::string& out_;
    std::size_t size_;  // the bytes written; the string's size beyond them is room
    bool separate_ = false;
};

}  // namespace platform::json
