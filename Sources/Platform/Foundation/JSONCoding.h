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
// Encoding streams: each field goes into the output text as it is given (JSONWriter.h). Decoding
// parses into a tree held in one memory pool (JSONReader.h), and the records read their fields from
// it through the functions below, which need no more of RapidJSON than its forward declarations.
// The pretty, sorted text of the diagnostic exports is JSONPretty.h's.

#include <array>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// The parsed tree is RapidJSON's (JSONReader.h); its value type is only named here.
#include <rapidjson/fwd.h>

#include "Base64.h"
#include "Date.h"
#include "JSONWriter.h"
#include "UUID.h"

namespace platform::json {

using Allocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;
// A parsed JSON value; it lives as long as the Document that holds it (JSONReader.h).
using Value = rapidjson::GenericValue<rapidjson::UTF8<char>, Allocator>;

// Arrays and objects nested deeper than this fail to decode.
inline constexpr unsigned maximumDepth = 512;

class DecodingError : public std::runtime_error {
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

// A callable passed by reference to the functions of this module that are out of line; it must
// outlive the call it is given to.
template <class Signature>
class CallbackRef;

template <class R, class... Arguments>
class CallbackRef<R(Arguments...)> {
public:
    template <class F>
        requires(!std::same_as<std::remove_cvref_t<F>, CallbackRef> && std::invocable<F&, Arguments...>)
    CallbackRef(F&& f)
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          call_([](void* object, Arguments... arguments) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<Arguments>(arguments)...);
          }) {}

    R operator()(Arguments... arguments) const { return call_(object_, std::forward<Arguments>(arguments)...); }

private:
    void* object_;
    R (*call_)(void*, Arguments...);
};

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
        return decodeField<T>(key, requiredValue(key));
    }

    template <class T>
    std::optional<T> optional(std::string_view key) const {
        const Value* v = presentValue(key);
        if (!v) return std::nullopt;
        return decodeField<T>(key, *v);
    }

    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const Options& options() const { return options_; }

private:
    const Value* find(std::string_view key) const;
    // Fails when the key is missing or null.
    const Value& requiredValue(std::string_view key) const;
    // Null when the key is missing or null.
    const Value* presentValue(std::string_view key) const;

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

// Gives `visit` each member of `object` in order; fails unless `object` is an object.
void forEachMember(const Value& object, CallbackRef<void(std::string_view key, const Value& value)> visit);

// The one case of an enumeration in `object`: among its keys only the names in `cases` count, a
// case given twice counts once and its last value is read. Fails unless `object` is an object with
// exactly one case: "Invalid number of keys found, expected one.".
template <class Case, std::size_t caseCount>
std::pair<Case, const Value*> findCase(const Value& object,
                                       const std::array<std::pair<Case, std::string_view>, caseCount>& cases) {
    // One bit for each entry of `cases` that the object names.
    using CaseMask = std::uint64_t;
    static_assert(caseCount <= std::numeric_limits<CaseMask>::digits, "more cases than the mask has bits");
    const std::pair<Case, std::string_view>* found = nullptr;
    const Value* payload = nullptr;
    CaseMask seen = 0;
    forEachMember(object, [&](std::string_view key, const Value& value) {
        for (std::size_t index = 0; index < caseCount; ++index) {
            if (cases[index].second != key) continue;
            seen |= CaseMask{1} << index;
            found = &cases[index];
            payload = &value;
            return;
        }
    });
    if (std::popcount(seen) != 1) throw DecodingError("Invalid number of keys found, expected one.");
    return {found->first, payload};
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

// Parses `text` into a tree that lives for the call (parseOnThisThread in JSONReader.h) and gives
// `read` its root.
void readText(std::string_view text, CallbackRef<void(const Value& root)> read);

template <class T>
T decode(std::string_view text, const Options& options = {}) {
    std::optional<T> value;
    readText(text, [&](const Value& root) { value.emplace(decodeValue<T>(root, options)); });
    return std::move(*value);
}

// ---- Coders of the basic types ----

template <>
struct Coder<bool> {
    static void encode(bool v, Writer& w, const Options&) { w.Bool(v); }
    static bool decode(const Value& v, const Options&);
};

// The text of a string value; fails for any other value.
std::string_view stringValue(const Value& v);

template <>
struct Coder<std::string> {
    static void encode(const std::string& v, Writer& w, const Options&) { w.String(v); }
    static std::string decode(const Value& v, const Options&) { return std::string(stringValue(v)); }
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

// The elements of an array: their count (fails for any other value) and each by its index.
std::size_t elementCount(const Value& array);
const Value& element(const Value& array, std::size_t index);

template <class T>
struct Coder<std::vector<T>> {
    static void encode(const std::vector<T>& v, Writer& w, const Options& options) {
        w.StartArray();
        for (const auto& element : v) encodeValue(w, element, options);
        w.EndArray();
    }
    static std::vector<T> decode(const Value& v, const Options& options) {
        const std::size_t count = elementCount(v);
        std::vector<T> out;
        out.reserve(count);
        for (std::size_t index = 0; index < count; ++index) {
            try {
                out.push_back(decodeValue<T>(element(v, index), options));
            } catch (const DecodingError& e) {
                throw DecodingError("[" + std::to_string(index) + "]: " + e.what());
            }
        }
        return out;
    }
};

template <StringEnum E>
struct Coder<E> {
    static void encode(E v, Writer& w, const Options&) { w.String(rawValue(v)); }
    static E decode(const Value& v, const Options&) {
        const std::string_view text = stringValue(v);
        if (auto e = fromRawValue<E>(text)) return *e;
        throw DecodingError("Cannot initialize enumeration from invalid value " + std::string(text));
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
