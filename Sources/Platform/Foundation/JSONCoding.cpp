#include "JSONCoding.h"

#include <cstring>

#include "JSONReader.h"

namespace platform::json {

namespace {

const char* typeName(const Value& v) {
    switch (v.GetType()) {
    case rapidjson::kNullType: return "null";
    case rapidjson::kFalseType:
    case rapidjson::kTrueType: return "a Bool";
    case rapidjson::kStringType: return "a string";
    case rapidjson::kArrayType: return "an array";
    case rapidjson::kObjectType: return "a dictionary";
    case rapidjson::kNumberType: return "a number";
    }
    return "an unknown value";
}

}  // namespace

void typeMismatch(const char* expected, const Value& found) {
    throw DecodingError(std::string("Expected to decode ") + expected + " but found " + typeName(found) + " instead.");
}

ObjectDecoder::ObjectDecoder(const Value& value, const Options& options) : object_(value), options_(options) {
    if (!value.IsObject()) typeMismatch("Dictionary<String, Any>", value);
}

// From the end: of a key given twice, the last value counts.
const Value* ObjectDecoder::find(std::string_view key) const {
    for (auto i = object_.MemberCount(); i > 0;) {
        const auto member = object_.MemberBegin() + --i;
        if (member->name.GetStringLength() == key.size() && std::memcmp(member->name.GetString(), key.data(), key.size()) == 0)
            return &member->value;
    }
    return nullptr;
}

const Value& ObjectDecoder::requiredValue(std::string_view key) const {
    const Value* v = find(key);
    if (!v) throw DecodingError("No value associated with key \"" + std::string(key) + "\".");
    if (v->IsNull()) throw DecodingError("Expected a value for key \"" + std::string(key) + "\" but found null.");
    return *v;
}

const Value* ObjectDecoder::presentValue(std::string_view key) const {
    const Value* v = find(key);
    return v && !v->IsNull() ? v : nullptr;
}

void forEachMember(const Value& object, CallbackRef<void(std::string_view key, const Value& value)> visit) {
    if (!object.IsObject()) typeMismatch("Dictionary<String, Any>", object);
    for (const auto& member : object.GetObject()) visit(text(member.name), member.value);
}

void readText(std::string_view text, CallbackRef<void(const Value& root)> read) {
    const Document document = parseOnThisThread(text);
    read(document.root());
}

std::size_t elementCount(const Value& array) {
    if (!array.IsArray()) typeMismatch("Array", array);
    return array.Size();
}

const Value& element(const Value& array, std::size_t index) { return array[static_cast<rapidjson::SizeType>(index)]; }

bool Coder<bool>::decode(const Value& v, const Options&) {
    if (!v.IsBool()) typeMismatch("Bool", v);
    return v.GetBool();
}

std::string_view stringValue(const Value& v) {
    if (!v.IsString()) typeMismatch("String", v);
    return text(v);
}

std::uint64_t decodeUnsigned(const Value& v, std::uint64_t max) {
    if (v.IsUint64()) {
        if (v.GetUint64() <= max) return v.GetUint64();
    } else if (!v.IsInt64()) {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + scalarText(v) + " does not fit.");
}

std::int64_t decodeSigned(const Value& v, std::int64_t min, std::int64_t max) {
    if (v.IsInt64()) {
        if (v.GetInt64() >= min && v.GetInt64() <= max) return v.GetInt64();
    } else if (!v.IsUint64()) {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + scalarText(v) + " does not fit.");
}

double Coder<double>::decode(const Value& v, const Options&) {
    if (!v.IsNumber()) typeMismatch("Double", v);
    return v.GetDouble();  // the parser refuses numbers beyond the range of a double
}

void Coder<Date>::encode(Date v, Writer& w, const Options& options) {
    if (options.dates == DateForm::iso8601) {
        std::optional<std::string> text = v.iso8601Text();
        if (!text) throw EncodingError("Date is out of range for ISO 8601.");
        w.String(*text);
    } else {
        w.Double(v.sinceReferenceDate);
    }
}

Date Coder<Date>::decode(const Value& v, const Options& options) {
    if (options.dates == DateForm::iso8601) {
        if (auto d = Date::fromISO8601(stringValue(v))) return *d;
        throw DecodingError("Expected date string to be ISO8601-formatted.");
    }
    return Date{Coder<double>::decode(v, options)};
}

UUID Coder<UUID>::decode(const Value& v, const Options&) {
    if (auto u = UUID::fromString(stringValue(v))) return *u;
    throw DecodingError("Attempted to decode UUID from invalid UUID string.");
}

Data Coder<Data>::decode(const Value& v, const Options&) {
    if (auto d = base64Decode(stringValue(v))) return *d;
    throw DecodingError("Encountered Data is not valid Base64.");
}

}  // namespace platform::json
