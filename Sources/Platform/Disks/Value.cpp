#include "Value.h"

#include <cmath>

namespace platform {

Value Value::boolean(bool value) { return Value(std::in_place_type<bool>, value); }
Value Value::int64(std::int64_t value) { return Value(std::in_place_type<std::int64_t>, value); }
Value Value::uint64(std::uint64_t value) { return Value(std::in_place_type<std::uint64_t>, value); }
Value Value::real(double value) { return Value(std::in_place_type<double>, value); }
Value Value::string(std::string value) {
    return Value(std::in_place_type<std::string>, validUTF8(std::move(value)));
}
Value Value::data(std::vector<std::uint8_t> bytes) {
    return Value(std::in_place_type<std::vector<std::uint8_t>>, std::move(bytes));
}
Value Value::url(std::string path) { return Value(std::in_place_type<Url>, Url{validUTF8(std::move(path))}); }
Value Value::uuid(UuidBytes bytes) { return Value(std::in_place_type<UuidBytes>, bytes); }
Value Value::array(ValueArray items) {
    return Value(std::in_place_type<std::shared_ptr<const ValueArray>>,
                 std::make_shared<const ValueArray>(std::move(items)));
}
Value Value::dictionary(Dictionary entries) {
    return Value(std::in_place_type<std::shared_ptr<const Dictionary>>,
                 std::make_shared<const Dictionary>(std::move(entries)));
}

Value::Kind Value::kind() const { return static_cast<Kind>(storage_.index()); }

bool Value::isNumber() const {
    return std::holds_alternative<std::int64_t>(storage_) || std::holds_alternative<std::uint64_t>(storage_) ||
           std::holds_alternative<double>(storage_);
}

bool Value::isNumberLike() const { return isNumber() || std::holds_alternative<bool>(storage_); }

std::optional<double> Value::doubleValue() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1.0 : 0.0;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return static_cast<double>(*i);
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return static_cast<double>(*u);
    if (auto d = std::get_if<double>(&storage_)) return *d;
    return std::nullopt;
}

std::optional<bool> Value::boolValue() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i != 0;
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return *u != 0;
    if (auto d = std::get_if<double>(&storage_)) return *d != 0;
    return std::nullopt;
}

std::optional<std::int64_t> Value::int64Value() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1 : 0;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i;
    if (auto u = std::get_if<std::uint64_t>(&storage_)) {
        if (*u > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
        return static_cast<std::int64_t>(*u);
    }
    if (auto d = std::get_if<double>(&storage_)) {
        // [-2^63, 2^63): both bounds are exact doubles.
        if (!std::isfinite(*d) || *d < -9223372036854775808.0 || *d >= 9223372036854775808.0) return std::nullopt;
        return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> Value::uint64Value() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1 : 0;
    if (auto i = std::get_if<std::int64_t>(&storage_)) {
        if (*i < 0) return std::nullopt;
        return static_cast<std::uint64_t>(*i);
    }
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return *u;
    if (auto d = std::get_if<double>(&storage_)) {
        if (!std::isfinite(*d) || *d <= -1.0 || *d >= 18446744073709551616.0) return std::nullopt;
        return static_cast<std::uint64_t>(*d);
    }
    return std::nullopt;
}

const std::string* Value::stringValue() const { return std::get_if<std::string>(&storage_); }
const std::vector<std::uint8_t>* Value::dataValue() const { return std::get_if<std::vector<std::uint8_t>>(&storage_); }

const std::string* Value::urlPath() const {
    auto url = std::get_if<Url>(&storage_);
    return url ? &url->path : nullptr;
}

const UuidBytes* Value::uuidBytes() const { return std::get_if<UuidBytes>(&storage_); }

std::optional<std::string> Value::uuidString() const {
    if (auto bytes = uuidBytes()) return uuidText(*bytes);
    return std::nullopt;
}

const ValueArray* Value::arrayValue() const {
    auto items = std::get_if<std::shared_ptr<const ValueArray>>(&storage_);
    return items ? items->get() : nullptr;
}

const Dictionary* Value::dictionaryValue() const {
    auto entries = std::get_if<std::shared_ptr<const Dictionary>>(&storage_);
    return entries ? entries->get() : nullptr;
}

const Value* Value::find(std::string_view key) const {
    auto entries = dictionaryValue();
    if (!entries) return nullptr;
    auto it = entries->find(key);
    return it == entries->end() ? nullptr : &it->second;
}

bool Value::operator==(const Value& other) const {
    if (storage_.index() != other.storage_.index()) return false;
    if (auto items = arrayValue()) return *items == *other.arrayValue();
    if (auto entries = dictionaryValue()) return *entries == *other.dictionaryValue();
    return storage_ == other.storage_;
}

std::string Value::uuidText(const UuidBytes& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace platform
