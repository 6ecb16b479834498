#pragma once

// JSON coding with the rules of the platform's default encoder and decoder:
// - compact output, object keys in field declaration order;
// - a date is a number of seconds since 2001-01-01 00:00:00 UTC (or ISO 8601 text where a
//   document asks for it); a UUID is its 36-character upper-case text; byte data is Base64;
// - an absent optional is left out; a missing key or a null reads as absent; unknown keys are ignored;
// - an unknown enumeration string fails the enclosing record;
// - an enumeration with payloads is {"case":{"_0":...,"_1":...}} and decodes only from an object
//   with exactly one key;
// - unsigned 64-bit integers round-trip exactly; a number that does not fit its field fails;
// - a non-finite double cannot be encoded (it is never written as null).
//
// A record opts in with two members:
//     void encode(platform::json::ObjectEncoder&) const;
//     static Record decode(const platform::json::ObjectDecoder&);
// and an enumeration with string raw values by specialising platform::json::EnumStrings.

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Base64.h"
#include "Date.h"
#include "UUID.h"

namespace platform::json {

using Value = nlohmann::ordered_json;

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
Value encodeValue(const T& value, const Options& options = {}) {
    return Coder<T>::encode(value, options);
}

template <class T>
T decodeValue(const Value& value, const Options& options = {}) {
    return Coder<T>::decode(value, options);
}

// Builds one JSON object, keys in the order the fields are written.
class ObjectEncoder {
public:
    explicit ObjectEncoder(const Options& options = {}) : options_(options) {}

    template <class T>
    ObjectEncoder& field(std::string_view key, const T& value) {
        fields_.emplace_back(std::string(key), encodeValue(value, options_));
        return *this;
    }
    template <class T>
    ObjectEncoder& field(std::string_view key, const std::optional<T>& value) {
        if (value) fields_.emplace_back(std::string(key), encodeValue(*value, options_));
        return *this;
    }

    const Options& options() const { return options_; }
    // The object's members are collected first and placed once: the object's own storage cannot
    // move its members when it grows (their keys are const) and would copy each whole subtree.
    Value take();

private:
    std::vector<std::pair<std::string, Value>> fields_;
    Options options_;
};

// Reads the fields of one JSON object.
class ObjectDecoder {
public:
    // Fails unless `value` is an object.
    explicit ObjectDecoder(const Value& value, const Options& options = {});

    template <class T>
    T required(std::string_view key) const {
        const Value* v = find(key);
        if (!v) throw DecodingError("No value associated with key \"" + std::string(key) + "\".");
        if (v->is_null()) throw DecodingError("Expected a value for key \"" + std::string(key) + "\" but found null.");
        return decodeField<T>(key, *v);
    }

    template <class T>
    std::optional<T> optional(std::string_view key) const {
        const Value* v = find(key);
        if (!v || v->is_null()) return std::nullopt;
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

// Enumerations with payloads: {"name":{"_0":...}}; a case without payload carries {}.
Value encodeCase(std::string_view name, Value payload = Value::object());

struct CaseValue {
    std::string name;
    const Value& payload;
};

// Fails unless `value` is an object with exactly one key.
CaseValue decodeCase(const Value& value);

// Parses JSON text; fails on anything that is not one complete JSON value.
Value parse(std::string_view text);
// Compact JSON text; fails when a string is not valid UTF-8.
std::string dump(const Value& value);
// The diagnostic documents' form: pretty-printed with two-space indents and "key" : value, keys
// sorted by their UTF-8 bytes, slashes not escaped.
std::string dumpPrettySorted(const Value& value);

template <class T>
std::string encode(const T& value, const Options& options = {}) {
    return dump(encodeValue(value, options));
}

template <class T>
T decode(std::string_view text, const Options& options = {}) {
    return decodeValue<T>(parse(text), options);
}

// ---- Coders of the basic types ----

[[noreturn]] void typeMismatch(const char* expected, const Value& found);

template <>
struct Coder<bool> {
    static Value encode(bool v, const Options&) { return v; }
    static bool decode(const Value& v, const Options&) {
        if (!v.is_boolean()) typeMismatch("Bool", v);
        return v.get<bool>();
    }
};

template <>
struct Coder<std::string> {
    static Value encode(const std::string& v, const Options&) { return v; }
    static std::string decode(const Value& v, const Options&) {
        if (!v.is_string()) typeMismatch("String", v);
        return v.get<std::string>();
    }
};

std::uint64_t decodeUnsigned(const Value& v, std::uint64_t max);
std::int64_t decodeSigned(const Value& v, std::int64_t min, std::int64_t max);

template <std::integral T>
    requires(!std::same_as<T, bool>)
struct Coder<T> {
    static Value encode(T v, const Options&) { return v; }
    static T decode(const Value& v, const Options&) {
        if constexpr (std::is_unsigned_v<T>)
            return static_cast<T>(decodeUnsigned(v, std::numeric_limits<T>::max()));
        else
            return static_cast<T>(decodeSigned(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    }
};

template <>
struct Coder<double> {
    static Value encode(double v, const Options&);
    static double decode(const Value& v, const Options&);
};

template <>
struct Coder<Date> {
    static Value encode(Date v, const Options& options);
    static Date decode(const Value& v, const Options& options);
};

template <>
struct Coder<UUID> {
    static Value encode(const UUID& v, const Options&) { return v.uuidString(); }
    static UUID decode(const Value& v, const Options&);
};

template <>
struct Coder<Data> {
    static Value encode(const Data& v, const Options&) { return base64Encode(v); }
    static Data decode(const Value& v, const Options&);
};

template <class T>
struct Coder<std::vector<T>> {
    static Value encode(const std::vector<T>& v, const Options& options) {
        Value array = Value::array();
        for (const auto& element : v) array.push_back(encodeValue(element, options));
        return array;
    }
    static std::vector<T> decode(const Value& v, const Options& options) {
        if (!v.is_array()) typeMismatch("Array", v);
        std::vector<T> out;
        out.reserve(v.size());
        std::size_t index = 0;
        for (const auto& element : v) {
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
    static Value encode(E v, const Options&) { return std::string(rawValue(v)); }
    static E decode(const Value& v, const Options&) {
        if (!v.is_string()) typeMismatch("String", v);
        const auto& text = v.get_ref<const std::string&>();
        if (auto e = fromRawValue<E>(text)) return *e;
        throw DecodingError("Cannot initialize enumeration from invalid value " + text);
    }
};

template <Record T>
struct Coder<T> {
    static Value encode(const T& v, const Options& options) {
        ObjectEncoder e(options);
        v.encode(e);
        return e.take();
    }
    static T decode(const Value& v, const Options& options) { return T::decode(ObjectDecoder(v, options)); }
};

}  // namespace platform::json
