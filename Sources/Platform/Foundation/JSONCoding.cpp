#include "JSONCoding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace platform::json {

namespace {
const char* typeName(const Value& v) {
    switch (v.type()) {
    case Value::value_t::null: return "null";
    case Value::value_t::boolean: return "a Bool";
    case Value::value_t::string: return "a string";
    case Value::value_t::array: return "an array";
    case Value::value_t::object: return "a dictionary";
    case Value::value_t::number_integer:
    case Value::value_t::number_unsigned:
    case Value::value_t::number_float: return "a number";
    default: return "an unknown value";
    }
}

// "2001-01-01T00:00:00Z": whole seconds in UTC, as the platform's ISO 8601 formatter writes.
std::string iso8601(Date date) {
    double unix = std::floor(date.unixTime());
    if (!std::isfinite(unix) || std::fabs(unix) > 1e15) throw EncodingError("Date is out of range for ISO 8601.");
    std::time_t t = static_cast<std::time_t>(unix);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) throw EncodingError("Date is out of range for ISO 8601.");
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

std::optional<Date> parseISO8601(const std::string& text) {
    int year, month, day, hour, minute, second;
    char tail = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 7 ||
        tail != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return Date::fromUnix(static_cast<double>(timegm(&tm)));
}
}  // namespace

void typeMismatch(const char* expected, const Value& found) {
    throw DecodingError(std::string("Expected to decode ") + expected + " but found " + typeName(found) + " instead.");
}

ObjectDecoder::ObjectDecoder(const Value& value, const Options& options) : object_(value), options_(options) {
    if (!value.is_object()) typeMismatch("Dictionary<String, Any>", value);
}

const Value* ObjectDecoder::find(std::string_view key) const {
    auto it = object_.find(std::string(key));
    return it == object_.end() ? nullptr : &*it;
}

Value ObjectEncoder::take() {
    Value object = Value::object();
    auto& members = object.get_ref<Value::object_t&>();
    members.reserve(fields_.size());
    for (auto& [key, value] : fields_) members[key] = std::move(value);  // a repeated key keeps its first place
    fields_.clear();
    return object;
}

Value encodeCase(std::string_view name, Value payload) {
    Value object = Value::object();
    object[std::string(name)] = std::move(payload);
    return object;
}

CaseValue decodeCase(const Value& value) {
    if (!value.is_object()) typeMismatch("Dictionary<String, Any>", value);
    if (value.size() != 1) throw DecodingError("Invalid number of keys found, expected one.");
    auto it = value.begin();
    return CaseValue{it.key(), it.value()};
}

Value parse(std::string_view text) {
    try {
        return Value::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception& e) {
        throw DecodingError(std::string("The given data was not valid JSON. ") + e.what());
    }
}

std::string dump(const Value& value) {
    try {
        return value.dump();
    } catch (const nlohmann::json::exception& e) {
        throw EncodingError(e.what());
    }
}

namespace {
void writePretty(const Value& value, int depth, std::string& out) {
    auto newline = [&](int d) {
        out.push_back('\n');
        out.append(static_cast<std::size_t>(d) * 2, ' ');
    };
    if (value.is_object() && !value.empty()) {
        std::vector<std::pair<const std::string*, const Value*>> members;
        for (auto it = value.begin(); it != value.end(); ++it) members.emplace_back(&it.key(), &it.value());
        std::sort(members.begin(), members.end(), [](auto& a, auto& b) { return *a.first < *b.first; });
        out.push_back('{');
        for (std::size_t i = 0; i < members.size(); ++i) {
            newline(depth + 1);
            out += Value(*members[i].first).dump();
            out += " : ";
            writePretty(*members[i].second, depth + 1, out);
            if (i + 1 < members.size()) out.push_back(',');
        }
        newline(depth);
        out.push_back('}');
    } else if (value.is_array() && !value.empty()) {
        out.push_back('[');
        for (std::size_t i = 0; i < value.size(); ++i) {
            newline(depth + 1);
            writePretty(value[i], depth + 1, out);
            if (i + 1 < value.size()) out.push_back(',');
        }
        newline(depth);
        out.push_back(']');
    } else {
        out += value.dump();
    }
}
}  // namespace

std::string dumpPrettySorted(const Value& value) {
    std::string out;
    try {
        writePretty(value, 0, out);
    } catch (const nlohmann::json::exception& e) {
        throw EncodingError(e.what());
    }
    return out;
}

std::uint64_t decodeUnsigned(const Value& v, std::uint64_t max) {
    if (v.is_number_unsigned()) {
        auto n = v.get<std::uint64_t>();
        if (n <= max) return n;
    } else if (v.is_number_integer()) {
        auto n = v.get<std::int64_t>();
        if (n >= 0 && static_cast<std::uint64_t>(n) <= max) return static_cast<std::uint64_t>(n);
    } else {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + v.dump() + " does not fit.");
}

std::int64_t decodeSigned(const Value& v, std::int64_t min, std::int64_t max) {
    if (v.is_number_integer() && !v.is_number_unsigned()) {
        auto n = v.get<std::int64_t>();
        if (n >= min && n <= max) return n;
    } else if (v.is_number_unsigned()) {
        auto n = v.get<std::uint64_t>();
        if (n <= static_cast<std::uint64_t>(max)) return static_cast<std::int64_t>(n);
    } else {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + v.dump() + " does not fit.");
}

Value Coder<double>::encode(double v, const Options&) {
    if (!std::isfinite(v)) throw EncodingError("Unable to encode Double." + std::to_string(v) + " directly in JSON.");
    return v;
}

double Coder<double>::decode(const Value& v, const Options&) {
    if (!v.is_number()) typeMismatch("Double", v);
    double d = v.get<double>();
    if (!std::isfinite(d)) throw DecodingError("Number " + v.dump() + " does not fit in Double.");
    return d;
}

Value Coder<Date>::encode(Date v, const Options& options) {
    if (options.dates == DateForm::iso8601) return iso8601(v);
    return Coder<double>::encode(v.sinceReferenceDate, options);
}

Date Coder<Date>::decode(const Value& v, const Options& options) {
    if (options.dates == DateForm::iso8601) {
        if (!v.is_string()) typeMismatch("String", v);
        if (auto d = parseISO8601(v.get_ref<const std::string&>())) return *d;
        throw DecodingError("Expected date string to be ISO8601-formatted.");
    }
    return Date{Coder<double>::decode(v, options)};
}

UUID Coder<UUID>::decode(const Value& v, const Options&) {
    if (!v.is_string()) typeMismatch("String", v);
    if (auto u = UUID::fromString(v.get_ref<const std::string&>())) return *u;
    throw DecodingError("Attempted to decode UUID from invalid UUID string.");
}

Data Coder<Data>::decode(const Value& v, const Options&) {
    if (!v.is_string()) typeMismatch("String", v);
    if (auto d = base64Decode(v.get_ref<const std::string&>())) return *d;
    throw DecodingError("Encountered Data is not valid Base64.");
}

}  // namespace platform::json
