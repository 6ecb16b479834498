#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/Foundation/UTF8.h"

namespace platform {

class Value;
using ValueArray = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;
using UuidBytes = std::array<std::uint8_t, 16>;

// One property value of a registry entry or of a disk description. Booleans are a kind of their
// own: isNumber() is the strict number test (integers and reals only), isNumberLike() also
// accepts Booleans, which read as 0 and 1.
class Value {
public:
    enum class Kind { boolean, int64, uint64, real, string, data, url, uuid, array, dictionary };

    static Value boolean(bool value);
    static Value int64(std::int64_t value);
    static Value uint64(std::uint64_t value);
    static Value real(double value);
    // Strings and paths are kept as valid UTF-8 (validUTF8): device strings and mount paths on
    // Linux are raw bytes.
    static Value string(std::string value);
    static Value data(std::vector<std::uint8_t> bytes);
    static Value url(std::string path);  // a file URL, kept as its file-system path
    static Value uuid(UuidBytes bytes);
    static Value array(ValueArray items);
    static Value dictionary(Dictionary entries);

    Kind kind() const;
    bool isNumber() const;
    bool isNumberLike() const;

    // Number-like values only.
    std::optional<double> doubleValue() const;
    std::optional<bool> boolValue() const;  // non-zero is true
    // Exact when the value is an integer in range; a real must be finite and in range and is
    // truncated toward zero.
    std::optional<std::int64_t> int64Value() const;
    std::optional<std::uint64_t> uint64Value() const;

    const std::string* stringValue() const;
    const std::vector<std::uint8_t>* dataValue() const;
    const std::string* urlPath() const;
    const UuidBytes* uuidBytes() const;
    std::optional<std::string> uuidString() const;  // 36 characters, upper case
    const ValueArray* arrayValue() const;
    const Dictionary* dictionaryValue() const;

    // The entry `key` of a dictionary value, or null.
    const Value* find(std::string_view key) const;

    bool operator==(const Value& other) const;

    static std::string uuidText(const UuidBytes& bytes);

private:
    struct Url {
        std::string path;
        bool operator==(const Url&) const = default;
    };
    using Storage = std::variant<bool, std::int64_t, std::uint64_t, double, std::string,
                                 std::vector<std::uint8_t>, Url, UuidBytes,
                                 std::shared_ptr<const ValueArray>, std::shared_ptr<const Dictionary>>;
    template <class T, class... Arguments>
    explicit Value(std::in_place_type_t<T> type, Arguments&&... arguments)
        : storage_(type, std::forward<Arguments>(arguments)...) {}

    Storage storage_;
};

}  // namespace platform
