#include "PropertyList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include <plist/plist.h>

namespace platform {

namespace {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct Freed {
    void operator()(void* pointer) const { std::free(pointer); }
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUTF8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
        if (length == 0 || byte > 0xF4 || byte == 0xC0 || byte == 0xC1 || i + length > text.size()) return false;
        char32_t code = byte & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// The library stops with an assertion when a dictionary key holds a NUL character, so inputs
// with such a string are refused before it sees them. In the binary form every object is listed
// in the offset table: each string object there (ASCII or UTF-16) is checked. A table that cannot
// be walked is refused as well. XML never holds a NUL byte.
std::uint64_t bigEndian(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | bytes[i];
    return value;
}

bool binaryStringsAreFreeOfNUL(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t headerSize = 8;
    constexpr std::size_t trailerSize = 32;
    if (bytes.size() < headerSize + trailerSize) return false;
    const std::uint8_t* trailer = bytes.data() + bytes.size() - trailerSize;
    std::size_t offsetSize = trailer[6];
    std::uint64_t objectCount = bigEndian(trailer + 8, 8);
    std::uint64_t tableOffset = bigEndian(trailer + 24, 8);
    std::uint64_t end = bytes.size() - trailerSize;
    if (offsetSize < 1 || offsetSize > 8 || tableOffset > end || objectCount > (end - tableOffset) / offsetSize) {
        return false;
    }
    for (std::uint64_t index = 0; index < objectCount; ++index) {
        std::uint64_t offset = bigEndian(bytes.data() + tableOffset + index * offsetSize, offsetSize);
        if (offset >= end) return false;
        std::uint8_t marker = bytes[offset];
        std::uint8_t kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6) continue;
        std::uint64_t position = offset + 1;
        std::uint64_t count = marker & 0x0F;
        if (count == 0x0F) {  // the length follows as an integer object
            if (position >= end || (bytes[position] >> 4) != 0x1 || (bytes[position] & 0x0F) > 3) return false;
            std::size_t lengthSize = std::size_t{1} << (bytes[position] & 0x0F);
            if (lengthSize > end - position - 1) return false;
            count = bigEndian(bytes.data() + position + 1, lengthSize);
            position += 1 + lengthSize;
        }
        std::uint64_t unit = kind == 0x5 ? 1 : 2;
        if (position > end || count > (end - position) / unit) return false;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* character = bytes.data() + position + i * unit;
            if (character[0] == 0 && (unit == 1 || character[1] == 0)) return false;
        }
    }
    return true;
}

// Reads one node; absent for a type PropertyValue does not carry or a nesting too deep.
std::optional<PropertyValue> read(plist_t node, int depth) {
    if (depth > PropertyList::maximumDepth) return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyValue(value != 0);
    }
    case PLIST_UINT: {
        // The format's integers are signed; the library hands out their 64-bit pattern.
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PropertyValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyValue(value);
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        std::string value(text != nullptr ? text : "", text != nullptr ? length : 0);
        if (!isUTF8(value)) return std::nullopt;
        return PropertyValue(std::move(value));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (bytes == nullptr) return PropertyValue(Data{});
        auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
        return PropertyValue(Data(begin, begin + length));
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // The library cuts the seconds towards zero and hands out the fraction without its sign
        // (so a date less than a second before the reference date reads as after it).
        double fraction = std::abs(static_cast<double>(microseconds)) / 1e6;
        return PropertyValue(Date{static_cast<double>(seconds) + (seconds < 0 ? -fraction : fraction)});
    }
    case PLIST_ARRAY: {
        PropertyArray array;
        std::uint32_t size = plist_array_get_size(node);
        array.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            std::optional<PropertyValue> item = read(plist_array_get_item(node, i), depth + 1);
            if (!item) return std::nullopt;
            array.push_back(std::move(*item));
        }
        return PropertyValue(std::move(array));
    }
    case PLIST_DICT: {
        PropertyDictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        std::unique_ptr<void, Freed> iteratorOwner(iterator);
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            std::unique_ptr<char, Freed> keyOwner(key);
            if (value == nullptr) break;
            std::optional<PropertyValue> item = read(value, depth + 1);
            if (!item) return std::nullopt;
            std::string name(key != nullptr ? key : "");
            if (!isUTF8(name)) return std::nullopt;
            dictionary.insert_or_assign(std::move(name), std::move(*item));
        }
        return PropertyValue(std::move(dictionary));
    }
    default:  // keys only appear inside dictionaries; UIDs belong to keyed archives
        return std::nullopt;
    }
}

const char* checkedText(const std::string& text) {
    if (text.find('\0') != std::string::npos) throw PropertyListError("property-list strings cannot hold NUL");
    if (!isUTF8(text)) throw PropertyListError("property-list strings must be UTF-8");
    return text.c_str();
}

// Whole seconds and microseconds as the writer takes them.
std::pair<std::int32_t, std::int32_t> checkedDate(Date date) {
    double seconds = std::floor(date.sinceReferenceDate);
    double microseconds = std::round((date.sinceReferenceDate - seconds) * 1e6);
    if (microseconds >= 1e6) {
        seconds += 1;
        microseconds = 0;
    }
    if (!(seconds >= std::numeric_limits<std::int32_t>::min() && seconds <= std::numeric_limits<std::int32_t>::max())) {
        throw PropertyListError("date outside the property-list writer's range");
    }
    return {static_cast<std::int32_t>(seconds), static_cast<std::int32_t>(microseconds)};
}

void checkValue(const PropertyValue& value) {
    if (const auto* text = value.get<std::string>()) checkedText(*text);
    if (const auto* date = value.get<Date>()) checkedDate(*date);
    if (const auto* array = value.get<PropertyArray>()) {
        for (const PropertyValue& item : *array) checkValue(item);
    }
    if (const auto* dictionary = value.get<PropertyDictionary>()) {
        for (const auto& [key, item] : *dictionary) {
            checkedText(key);
            checkValue(item);
        }
    }
}

plist_t make(const PropertyValue& value);

struct Maker {
    plist_t operator()(bool value) const { return plist_new_bool(value ? 1 : 0); }
    plist_t operator()(std::int64_t value) const { return plist_new_uint(static_cast<std::uint64_t>(value)); }
    plist_t operator()(double value) const { return plist_new_real(value); }
    plist_t operator()(const std::string& value) const { return plist_new_string(checkedText(value)); }
    plist_t operator()(const Data& value) const {
        return plist_new_data(reinterpret_cast<const char*>(value.data()), value.size());
    }
    plist_t operator()(Date value) const {
        auto [seconds, microseconds] = checkedDate(value);
        return plist_new_date(seconds, microseconds);
    }
    plist_t operator()(const PropertyArray& array) const {
        Node node(plist_new_array());
        for (const PropertyValue& item : array) plist_array_append_item(node.get(), make(item));
        return node.release();
    }
    plist_t operator()(const PropertyDictionary& dictionary) const {
        Node node(plist_new_dict());
        for (const auto& [key, item] : dictionary) {
            const char* text = checkedText(key);
            plist_dict_set_item(node.get(), text, make(item));
        }
        return node.release();
    }
};

plist_t make(const PropertyValue& value) { return std::visit(Maker{}, value.storage()); }

}  // namespace

std::optional<PropertyValue> PropertyList::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    bool binary = bytes.size() >= 6 && std::string_view(reinterpret_cast<const char*>(bytes.data()), 6) == "bplist";
    if (binary ? !binaryStringsAreFreeOfNUL(bytes) : std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
    if (root == nullptr) return std::nullopt;
    Node owner(root);
    return read(root, 0);
}

void PropertyList::check(const PropertyValue& value) { checkValue(value); }

Data PropertyList::serialize(const PropertyValue& value, PropertyListFormat format) {
    Node root(make(value));
    char* text = nullptr;
    std::uint32_t length = 0;
    if (format == PropertyListFormat::xml) {
        plist_to_xml(root.get(), &text, &length);
    } else {
        plist_to_bin(root.get(), &text, &length);
    }
    if (text == nullptr) throw PropertyListError("the property list could not be written");
    auto* begin = reinterpret_cast<const std::uint8_t*>(text);
    Data result(begin, begin + length);
    if (format == PropertyListFormat::xml) {
        plist_to_xml_free(text);
    } else {
        plist_to_bin_free(text);
    }
    return result;
}

}  // namespace platform
