#include "DefaultsDatabase.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) text.remove_prefix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

std::int64_t leadingInteger(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return !text.empty() && text.front() == '-' ? std::numeric_limits<std::int64_t>::min()
                                                    : std::numeric_limits<std::int64_t>::max();
    }
    return error == std::errc{} ? value : 0;
}

double leadingReal(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} ? value : 0;
}

std::int64_t truncated(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

template <class T>
std::optional<T> exactly(const std::optional<PropertyValue>& value) {
    if (!value) return std::nullopt;
    if (const T* typed = value->get<T>()) return *typed;
    return std::nullopt;
}

}  // namespace

bool DefaultsDatabase::boolForKey(std::string_view key) const {
    std::optional<PropertyValue> value = object(key);
    if (!value) return false;
    if (const bool* flag = value->get<bool>()) return *flag;
    if (const std::int64_t* integer = value->get<std::int64_t>()) return *integer != 0;
    if (const double* real = value->get<double>()) return *real != 0;
    if (const std::string* text = value->get<std::string>()) {
        std::string_view word = trimmed(*text);
        if (equalsIgnoringCase(word, "yes") || equalsIgnoringCase(word, "true")) return true;
        return leadingInteger(word) != 0;
    }
    return false;
}

std::int64_t DefaultsDatabase::integerForKey(std::string_view key) const {
    std::optional<PropertyValue> value = object(key);
    if (!value) return 0;
    if (const std::int64_t* integer = value->get<std::int64_t>()) return *integer;
    if (const double* real = value->get<double>()) return truncated(*real);
    if (const bool* flag = value->get<bool>()) return *flag ? 1 : 0;
    if (const std::string* text = value->get<std::string>()) return leadingInteger(*text);
    return 0;
}

double DefaultsDatabase::doubleForKey(std::string_view key) const {
    std::optional<PropertyValue> value = object(key);
    if (!value) return 0;
    if (const double* real = value->get<double>()) return *real;
    if (const std::int64_t* integer = value->get<std::int64_t>()) return static_cast<double>(*integer);
    if (const bool* flag = value->get<bool>()) return *flag ? 1 : 0;
    if (const std::string* text = value->get<std::string>()) return leadingReal(*text);
    return 0;
}

std::optional<std::string> DefaultsDatabase::stringForKey(std::string_view key) const {
    std::optional<PropertyValue> value = object(key);
    if (!value) return std::nullopt;
    if (const std::string* text = value->get<std::string>()) return *text;
    if (const bool* flag = value->get<bool>()) return std::string(*flag ? "1" : "0");
    if (const std::int64_t* integer = value->get<std::int64_t>()) return std::to_string(*integer);
    if (const double* real = value->get<double>()) {
        char buffer[32];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, *real);
        return std::string(buffer, error == std::errc{} ? end : buffer);
    }
    return std::nullopt;
}

std::optional<Data> DefaultsDatabase::dataForKey(std::string_view key) const { return exactly<Data>(object(key)); }

std::optional<PropertyArray> DefaultsDatabase::arrayForKey(std::string_view key) const {
    return exactly<PropertyArray>(object(key));
}

std::optional<PropertyDictionary> DefaultsDatabase::dictionaryForKey(std::string_view key) const {
    return exactly<PropertyDictionary>(object(key));
}

}  // namespace platform
