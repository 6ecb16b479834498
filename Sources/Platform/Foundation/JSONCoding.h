#pragma once

// JSON coding with the rules that every stored record and message follows:
// - compact output, object keys in field declaration order;
// - a date is a number of seconds since 2001-01-01 00:00:00 UTC (or ISO 8601 text where a
//   document asks for it); a UUID is its 36-character upper-case text; byte data is Base64;
// - an absent optional is left out; a missing key or a null reads as absent; unknown keys are ignored;
// - an unknown enumeration string fails the enclosing record;
// - an enumeration with payloads is {"case":{"_0":...,"_1":...}} and decodes only from an object
//   with exactly one key;
// - unsigned 64-bit integers round-trip exactly; a number that does not fit its field fails;
// - a non-finite double cannot be encoded (it is never written as null);
// - text to decode holds exactly one JSON value, at most maximumDepth arrays and objects deep, with
//   nothing but white space around it; anything else fails like malformed JSON.
//
// A record opts in with two members:
//     void encode(platform::json::ObjectEncoder&) const;
//     static Record decode(const platform::json::ObjectDecoder&);
// and an enumeration with string raw values by specialising platform::json::EnumStrings.
//
// Encoding streams: each field goes into the output text as it is given, nothing is built in
// between. Decoding parses into a tree held in one memory pool (freed at once, without walking the
// tree), and the records read their fields from it.

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/writer.h>

#include "Base64.h"
#include "Date.h"
#include "UUID.h"

namespace platform::json {
// The memory of the stacks of the writer, the parser and the tree builder: the C heap, as
// RapidJSON's default.
struct StackMemory : rapidjson::CrtAllocator {};
}  // namespace platform::json

// RapidJSON 1.1.0's stack checks for room with `stackTop_ + size > stackEnd_`, which adds to a null
// pointer on the first push, before it has allocated anything (undefined behaviour, reported by the
// sanitizers of the fuzz build); its writer and document also start every use with no stack. For the
// stacks on our StackMemory the check is made on the difference, which is 0 while nothing is
// allocated.
namespace rapidjson::internal {
template <>
template <typename T>
RAPIDJSON_FORCEINLINE void Stack<platform::json::StackMemory>::Reserve(size_t count) {
    if (RAPIDJSON_UNLIKELY(static_cast<size_t>(stackEnd_ - stackTop_) < sizeof(T) * count)) Expand<T>(count);
}
}  // namespace rapidjson::internal

namespace platform::json {

using Allocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;
// A parsed JSON value; it lives as long as the Document that holds it.
using Value = rapidjson::GenericValue<rapidjson::UTF8<>, Allocator>;

// Arrays and objects nested deeper than this fail to decode.
inline constexpr unsigned maximumDepth = 512;

class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class DateForm { secondsSinceReferenceDate, iso8601 };

struct Options {
    DateForm dates = DateForm::secondsSinceReferenceDate;
};

// Specialise with `static constexpr std::pair<E, std::string_view> cases[] = {...};`
template <class E>
struct EnumStrings;

template <class E>
concept StringEnum = std::is_enum_v<E> && requires { EnumStrings<E>::cases; };

template <StringEnum E>
constexpr std::string_view rawValue(E value) {
    for (const auto& [c, name] : EnumStrings<E>::cases)
        if (c == value) return name;
    return {};
}

template <StringEnum E>
constexpr std::optional<E> fromRawValue(std::string_view text) {
    for (const auto& [c, name] : EnumStrings<E>::cases)
        if (name == text) return c;
    return std::nullopt;
}

// ---- Output ----

// The output stream of the writer: appends to a string that it grows in steps and trims to what was
// written when it is done.
class OutputBuffer {
public:
    using Ch = char;

    explicit OutputBuffer(std::string& out) : out_(out), size_(out.size()) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer() { out_.resize(size_); }

    void Reserve(std::size_t count) {
        if (out_.size() - size_ < count) grow(count);
    }
    void PutUnsafe(char c) { out_[size_++] = c; }
    void Put(char c) {
        Reserve(1);
        PutUnsafe(c);
    }
    void write(const char* bytes, std::size_t count) {
        Reserve(count);
        std::memcpy(out_.data() + size_, bytes, count);
        size_ += count;
    }
    void Flush() {}

private:
    void grow(std::size_t count);

    std::string& out_;
    std::size_t size_;
};

}  // namespace platform::json

namespace rapidjson {
template <>
inline void PutReserve(platform::json::OutputBuffer& stream, std::size_t count) {
    stream.Reserve(count);
}
template <>
inline void PutUnsafe(platform::json::OutputBuffer& stream, char c) {
    stream.PutUnsafe(c);
}
}  // namespace rapidjson

namespace platform::json {

// Holds the output stream so that it is built before the writer that uses it.
struct OutputHolder {
    explicit OutputHolder(std::string& out) : output(out) {}
    OutputBuffer output;
};

// Compact JSON text appended to a string as it is given. Structure and integers are RapidJSON's;
// strings and doubles are written here in this module's form: only '"', '\\' and control characters
// escaped (\u00xx in lower case), UTF-8 checked; doubles in their shortest round-trip digits, with
// ".0" on whole numbers and an exponent ("1e+15", "1e-05") below 1e-4 and from 1e15 on.
class Writer : private OutputHolder,
               public rapidjson::Writer<OutputBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, StackMemory> {
public:
    explicit Writer(std::string& out)
        : OutputHolder(out), rapidjson::Writer<OutputBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, StackMemory>(output) {}

    bool Key(std::string_view name) {
        Prefix(rapidjson::kStringType);
        writeString(name);
        return true;
    }
    bool String(std::string_view text) {
        Prefix(rapidjson::kStringType);
        writeString(text);
        return true;
    }
    // Throws EncodingError for a non-finite value.
    bool Double(double value) {
        Prefix(rapidjson::kNumberType);
        writeDouble(value);
        return true;
    }

private:
    void writeString(std::string_view text);
    void writeDouble(double value);
};

// ---- Parsed documents ----

// One parsed JSON text: its root value and the memory that holds the tree.
class Document {
public:
    Document(Document&& other) noexcept;
    Document& operator=(Document&&) = delete;
    ~Document();

    const Value& root() const { return root_; }
    Value& root() { return root_; }
    operator const Value&() const { return root_; }

    struct Scratch;  // the memory that parseOnThisThread reuses

private:
    friend Document parse(std::string_view text);
    friend Document parseOnThisThread(std::string_view text);
    Document() = default;
    void parseText(std::string_view text, char* copy, std::unique_ptr<Allocator> allocator);

    Scratch* scratch_ = nullptr;    // this thread's reused memory, given back at destruction
    std::unique_ptr<char[]> text_;  // the copy of the text, when not in the scratch memory
    std::unique_ptr<Allocator> allocator_;
    Value root_;  // its strings point into the copy of the text
};

// Parses JSON text; fails on anything that is not one complete JSON value within the depth bound.
Document parse(std::string_view text);
// The same for a tree that lives only as long as a decoding on this thread: the copy of the text
// and the tree's first memory block are reused from one call to the next (freeing and faulting in
// some hundred kilobytes per message would cost more than the parse).
Document parseOnThisThread(std::string_view text);
// The diagnostic documents' form: pretty-printed with two-space indents and "key" : value, keys
// sorted by their UTF-8 bytes, slashes not escaped.
std::string dumpPrettySorted(const Value& value);

// ---- Coding ----

template <class T, class = void>
struct Coder;

class ObjectEncoder;
class ObjectDecoder;

template <class T>
concept Record = requires(const T& t, ObjectEncoder& e, const ObjectDecoder& d) {
    t.encode(e);
    { T::decode(d) } -> std::same_as<T>;
};

template <class T>
void encodeValue(Writer& writer, const T& value, const Options& options = {}) {
    Coder<T>::encode(value, writer, options);
}

template <class T>
T decodeValue(const Value& value, const Options& options = {}) {
    return Coder<T>::decode(value, options);
}

// Writes the fields of one JSON object, in the order they are given.
class ObjectEncoder {
public:
    ObjectEncoder(Writer& writer, const Options& options) : writer_(writer), options_(options) {}

    template <class T>
    ObjectEncoder& field(std::string_view key, const T& value) {
        writer_.Key(key);
        encodeValue(writer_, value, options_);
        return *this;
    }
    template <class T>
    ObjectEncoder& field(std::string_view key, const std::optional<T>& value) {
        if (value) field(key, *value);
        return *this;
    }

    const Options& options() const { return options_; }

private:
    Writer& writer_;
    const Options& options_;
};

// Writes one JSON object whose fields `fields` gives to an ObjectEncoder.
template <class Fields>
void encodeObject(Writer& writer, const Options& options, Fields&& fields) {
    writer.StartObject();
    ObjectEncoder e(writer, options);
    fields(e);
    writer.EndObject();
}

// Enumerations with payloads: {"name":{"_0":...}}; a case without payload carries {}.
template <class Fields>
void encodeCase(Writer& writer, std::string_view name, const Options& options, Fields&& payload) {
    writer.StartObject();
    writer.Key(name);
    encodeObject(writer, options, std::forward<Fields>(payload));
    writer.EndObject();
}

[[noreturn]] void typeMismatch(const char* expected, const Value& found);

// Reads the fields of one JSON object.
class ObjectDecoder {
public:
    // Fails unless `value` is an object.
    explicit ObjectDecoder(const Value& value, const Options& options = {});

    template <class T>
    T required(std::string_view key) const {
        const Value* v = find(key);
        if (!v) throw DecodingError("No value associated with key \"" + std::string(key) + "\".");
        if (v->IsNull()) throw DecodingError("Expected a value for key \"" + std::string(key) + "\" but found null.");
        return decodeField<T>(key, *v);
    }

    template <class T>
    std::optional<T> optional(std::string_view key) const {
        const Value* v = find(key);
        if (!v || v->IsNull()) return std::nullopt;
        return decodeField<T>(key, *v);
    }

    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const Options& options() const { return options_; }

private:
    const Value* find(std::string_view key) const;

    template <class T>
    T decodeField(std::string_view key, const Value& v) const {
        try {
            return decodeValue<T>(v, options_);
        } catch (const DecodingError& e) {
            throw DecodingError(std::string(key) + ": " + e.what());
        }
    }

    const Value& object_;
    Options options_;
};

struct CaseValue {
    std::string_view name;
    const Value& payload;
};

// Fails unless `value` is an object with exactly one key.
CaseValue decodeCase(const Value& value);

// The one case of an enumeration in `object`: among its keys only those that `caseNamed` (string
// view -> optional case) knows count, a case given twice counts once and its last value is read.
// Fails unless `object` is an object with exactly one case: "Invalid number of keys found, expected one.".
template <class Case, class CaseNamed>
std::pair<Case, const Value*> findCase(const Value& object, CaseNamed&& caseNamed);

inline std::string_view text(const Value& string) { return {string.GetString(), string.GetStringLength()}; }

template <class Case, class CaseNamed>
std::pair<Case, const Value*> findCase(const Value& object, CaseNamed&& caseNamed) {
    if (!object.IsObject()) typeMismatch("Dictionary<String, Any>", object);
    std::optional<Case> found;
    const Value* payload = nullptr;
    std::uint64_t seen = 0;
    for (const auto& member : object.GetObject()) {
        if (std::optional<Case> c = caseNamed(text(member.name))) {
            seen |= std::uint64_t{1} << static_cast<unsigned>(*c);
            found = c;
            payload = &member.value;
        }
    }
    if (std::popcount(seen) != 1) throw DecodingError("Invalid number of keys found, expected one.");
    return {*found, payload};
}

// Appends the compact JSON text of `value` to `out`; on failure `out` keeps what it held.
template <class T>
void encodeInto(std::string& out, const T& value, const Options& options = {}) {
    const std::size_t start = out.size();
    try {
        Writer writer(out);
        encodeValue(writer, value, options);
    } catch (...) {
        out.resize(start);
        throw;
    }
}

// The compact text that `write` gives to a Writer.
template <class Write>
std::string writeText(Write&& write) {
    std::string out;
    {
        Writer writer(out);
        write(writer);
    }
    return out;
}

template <class T>
std::string encode(const T& value, const Options& options = {}) {
    std::string out;
    encodeInto(out, value, options);
    return out;
}

template <class T>
T decode(std::string_view text, const Options& options = {}) {
    const Document document = parseOnThisThread(text);
    return decodeValue<T>(document.root(), options);
}

// ---- Coders of the basic types ----

template <>
struct Coder<bool> {
    static void encode(bool v, Writer& w, const Options&) { w.Bool(v); }
    static bool decode(const Value& v, const Options&) {
        if (!v.IsBool()) typeMismatch("Bool", v);
        return v.GetBool();
    }
};

template <>
struct Coder<std::string> {
    static void encode(const std::string& v, Writer& w, const Options&) { w.String(v); }
    static std::string decode(const Value& v, const Options&) {
        if (!v.IsString()) typeMismatch("String", v);
        return std::string(text(v));
    }
};

std::uint64_t decodeUnsigned(const Value& v, std::uint64_t max);
std::int64_t decodeSigned(const Value& v, std::int64_t min, std::int64_t max);

template <std::integral T>
    requires(!std::same_as<T, bool>)
struct Coder<T> {
    static void encode(T v, Writer& w, const Options&) {
        if constexpr (std::is_unsigned_v<T>)
            w.Uint64(v);
        else
            w.Int64(v);
    }
    static T decode(const Value& v, const Options&) {
        if constexpr (std::is_unsigned_v<T>)
            return static_cast<T>(decodeUnsigned(v, std::numeric_limits<T>::max()));
        else
            return static_cast<T>(decodeSigned(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    }
};

template <>
struct Coder<double> {
    static void encode(double v, Writer& w, const Options&) { w.Double(v); }
    static double decode(const Value& v, const Options&);
};

template <>
struct Coder<Date> {
    static void encode(Date v, Writer& w, const Options& options);
    static Date decode(const Value& v, const Options& options);
};

template <>
struct Coder<UUID> {
    static void encode(const UUID& v, Writer& w, const Options&) { w.String(v.uuidString()); }
    static UUID decode(const Value& v, const Options&);
};

template <>
struct Coder<Data> {
    static void encode(const Data& v, Writer& w, const Options&) { w.String(base64Encode(v)); }
    static Data decode(const Value& v, const Options&);
};

template <class T>
struct Coder<std::vector<T>> {
    static void encode(const std::vector<T>& v, Writer& w, const Options& options) {
        w.StartArray();
        for (const auto& element : v) encodeValue(w, element, options);
        w.EndArray();
    }
    static std::vector<T> decode(const Value& v, const Options& options) {
        if (!v.IsArray()) typeMismatch("Array", v);
        std::vector<T> out;
        out.reserve(v.Size());
        std::size_t index = 0;
        for (const auto& element : v.GetArray()) {
            try {
                out.push_back(decodeValue<T>(element, options));
            } catch (const DecodingError& e) {
                throw DecodingError("[" + std::to_string(index) + "]: " + e.what());
            }
            ++index;
        }
        return out;
    }
};

template <StringEnum E>
struct Coder<E> {
    static void encode(E v, Writer& w, const Options&) { w.String(rawValue(v)); }
    static E decode(const Value& v, const Options&) {
        if (!v.IsString()) typeMismatch("String", v);
        if (auto e = fromRawValue<E>(text(v))) return *e;
        throw DecodingError("Cannot initialize enumeration from invalid value " + std::string(text(v)));
    }
};

template <Record T>
struct Coder<T> {
    static void encode(const T& v, Writer& w, const Options& options) {
        encodeObject(w, options, [&](ObjectEncoder& e) { v.encode(e); });
    }
    static T decode(const Value& v, const Options& options) { return T::decode(ObjectDecoder(v, options)); }
};

}  // namespace platform::json
