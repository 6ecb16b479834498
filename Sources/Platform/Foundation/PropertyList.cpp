#include "PropertyList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include <plist/plist.h>

#include "UTF8.h"

namespace platform {

namespace {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct Freed {
    void operator()(void* pointer) const { std::free(pointer); }
};

// The library cannot be handed every well-formed input: it stops with an assertion when a
// dictionary key holds a NUL character, recurses once per level of nesting (so a deep file
// overflows the stack while it parses or frees), and parses a binary object again for every
// reference to it (so a few hundred bytes of shared references expand to billions of values).
// Inputs are therefore checked before it sees them; whatever cannot be walked is refused.

std::uint64_t bigEndian(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | bytes[i];
    return value;
}

// Where the objects of a binary property list lie, from its 32-byte trailer. Every object is
// listed in the offset table; containers refer to their items by index into it.
struct BinaryLayout {
    static constexpr std::size_t headerSize = 8;
    static constexpr std::size_t trailerSize = 32;

    std::span<const std::uint8_t> bytes;
    std::size_t offsetSize = 0;
    std::size_t referenceSize = 0;
    std::uint64_t objectCount = 0;
    std::uint64_t topObject = 0;
    std::uint64_t tableOffset = 0;
    std::uint64_t end = 0;  // where the objects end: at the offset table (or the trailer)

    static std::optional<BinaryLayout> of(std::span<const std::uint8_t> bytes) {
        if (bytes.size() < headerSize + trailerSize) return std::nullopt;
        const std::uint8_t* trailer = bytes.data() + bytes.size() - trailerSize;
        BinaryLayout layout{bytes, trailer[6], trailer[7], bigEndian(trailer + 8, 8), bigEndian(trailer + 16, 8),
                            bigEndian(trailer + 24, 8), bytes.size() - trailerSize};
        if (layout.offsetSize < 1 || layout.offsetSize > 8 || layout.referenceSize < 1 || layout.referenceSize > 8 ||
            layout.tableOffset > layout.end ||
            layout.objectCount > (layout.end - layout.tableOffset) / layout.offsetSize ||
            layout.topObject >= layout.objectCount) {
            return std::nullopt;
        }
        layout.end = std::min(layout.end, layout.tableOffset);
        return layout;
    }

    // The start of object `index`; absent outside the objects.
    std::optional<std::uint64_t> offset(std::uint64_t index) const {
        std::uint64_t offset = bigEndian(bytes.data() + tableOffset + index * offsetSize, offsetSize);
        if (offset < headerSize || offset >= end) return std::nullopt;
        return offset;
    }

    // The count in the marker of the object at `offset` (an integer object follows a marker
    // whose count is 0xF) and where the object's content starts.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> countAndContent(std::uint64_t offset) const {
        std::uint64_t count = bytes[offset] & 0x0F;
        std::uint64_t position = offset + 1;
        if (count == 0x0F) {
            if (position >= end || (bytes[position] >> 4) != 0x1 || (bytes[position] & 0x0F) > 3) return std::nullopt;
            std::size_t lengthSize = std::size_t{1} << (bytes[position] & 0x0F);
            if (lengthSize > end - position - 1) return std::nullopt;
            count = bigEndian(bytes.data() + position + 1, lengthSize);
            position += 1 + lengthSize;
        }
        return std::pair{count, position};
    }

    // Object references per counted item of a container: one for an array or set, a key and a
    // value for a dictionary; 0 for an object that is no container.
    static std::uint64_t referenceFactor(std::uint8_t marker) {
        switch (marker >> 4) {
        case 0xA:  // array
        case 0xB:  // (ordered set)
        case 0xC:  // set
            return 1;
        case 0xD:  // dictionary
            return 2;
        default: return 0;
        }
    }
};

// Every string object (ASCII or UTF-16) is checked.
bool binaryStringsAreFreeOfNUL(const BinaryLayout& layout) {
    const std::uint8_t* bytes = layout.bytes.data();
    for (std::uint64_t index = 0; index < layout.objectCount; ++index) {
        std::optional<std::uint64_t> offset = layout.offset(index);
        if (!offset) return false;
        std::uint8_t kind = bytes[*offset] >> 4;
        if (kind != 0x5 && kind != 0x6) continue;
        auto sized = layout.countAndContent(*offset);
        if (!sized) return false;
        auto [count, position] = *sized;
        std::uint64_t unit = kind == 0x5 ? 1 : 2;
        if (count > (layout.end - position) / unit) return false;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* character = bytes + position + i * unit;
            if (character[0] == 0 && (unit == 1 || character[1] == 0)) return false;
        }
    }
    return true;
}

// Walks the containers from the top object without recursion, each object once: the nesting
// (containers within containers, the top one included) must stay within `maximumNesting`, the
// values the library would make (every reference counts again) within `maximumValues`, and no
// container may hold itself.
bool binaryStructureIsWithinLimits(const BinaryLayout& layout, std::size_t maximumNesting, std::uint64_t maximumValues) {
    constexpr std::uint32_t open = std::numeric_limits<std::uint32_t>::max();
    static_assert(PropertyList::maximumValueCount < open);
    struct Walked {
        std::uint32_t values = 0;  // 0: not reached yet; `open`: on the path being walked
        std::uint16_t height = 0;  // containers in the deepest chain below and including it
    };
    struct Frame {
        std::uint64_t object;
        std::uint64_t references;  // where the references start
        std::uint64_t count;
        std::uint64_t next = 0;
        std::uint64_t values = 1;
        std::uint16_t childHeight = 0;
    };
    std::vector<Walked> walked(layout.objectCount);
    std::vector<Frame> path;

    // Adds a finished item to the container on top of the path; false over a limit.
    auto addToTop = [&](std::uint64_t values, std::uint16_t height) {
        Frame& top = path.back();
        top.values += values;
        top.childHeight = std::max(top.childHeight, height);
        return top.values <= maximumValues && path.size() + height <= maximumNesting;
    };
    // Puts a container on the path, or answers a single value for any other object.
    auto enter = [&](std::uint64_t object, bool& isContainer) {
        std::optional<std::uint64_t> offset = layout.offset(object);
        if (!offset) return false;
        std::uint64_t factor = BinaryLayout::referenceFactor(layout.bytes[*offset]);
        isContainer = factor != 0;
        if (!isContainer) return true;
        auto sized = layout.countAndContent(*offset);
        if (!sized || path.size() + 1 > maximumNesting) return false;
        auto [count, position] = *sized;
        if (count > (layout.end - position) / layout.referenceSize / factor) return false;
        walked[object].values = open;
        path.push_back({object, position, count * factor});
        return true;
    };

    bool isContainer = false;
    if (!enter(layout.topObject, isContainer)) return false;
    while (!path.empty()) {
        Frame& top = path.back();
        if (top.next == top.count) {
            Walked done{static_cast<std::uint32_t>(top.values), static_cast<std::uint16_t>(top.childHeight + 1)};
            walked[top.object] = done;
            path.pop_back();
            if (!path.empty() && !addToTop(done.values, done.height)) return false;
            continue;
        }
        std::uint64_t child =
            bigEndian(layout.bytes.data() + top.references + top.next * layout.referenceSize, layout.referenceSize);
        ++top.next;
        if (child >= layout.objectCount || walked[child].values == open) return false;
        if (walked[child].values != 0) {
            if (!addToTop(walked[child].values, walked[child].height)) return false;
            continue;
        }
        if (!enter(child, isContainer)) return false;
        if (!isContainer && !addToTop(1, 0)) return false;
    }
    return true;
}

bool startsTag(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

// Counts element nesting in XML text without recursion. Comments, CDATA sections and processing
// instructions are skipped to their end, as the library does. Markup that the library could read
// differently from this scan is refused: a '<' that starts no markup or sits inside a tag, a '>'
// inside a quoted attribute value, a declaration after the first element or with an internal
// subset, an end tag without its start. A tag with attributes always counts as opened.
bool xmlNestingIsWithinLimit(std::string_view text, int maximumNesting) {
    int depth = 0;
    std::size_t i = 0;
    auto skipPast = [&](std::size_t from, std::string_view terminator) {
        std::size_t at = text.find(terminator, from);
        i = at == std::string_view::npos ? at : at + terminator.size();
        return at != std::string_view::npos;
    };
    while ((i = text.find('<', i)) != std::string_view::npos) {
        std::string_view markup = text.substr(i);
        if (markup.starts_with("<!--")) {
            if (!skipPast(i + 4, "-->")) return false;
            continue;
        }
        if (markup.starts_with("<![CDATA[")) {
            if (!skipPast(i + 9, "]]>")) return false;
            continue;
        }
        if (markup.starts_with("<?")) {
            if (!skipPast(i + 2, "?>")) return false;
            continue;
        }
        const bool endTag = markup.starts_with("</");
        const bool declaration = markup.starts_with("<!");
        std::size_t j = i + (endTag || declaration ? 2 : 1);
        if (j >= text.size() || !startsTag(text[j])) return false;
        char quote = 0;
        bool plain = true;  // no attribute
        for (; j < text.size(); ++j) {
            const char c = text[j];
            if (c == '<') return false;
            if (quote != 0) {
                if (c == '>') return false;
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
                plain = false;
            } else if (c == '=' || c == '[') {
                plain = false;
            } else if (c == '>') {
                break;
            }
        }
        if (j == text.size()) return false;
        if (declaration) {
            if (depth != 0 || text.substr(i, j - i).find('[') != std::string_view::npos) return false;
        } else if (endTag) {
            if (--depth < 0) return false;
        } else if (!(plain && text[j - 1] == '/') && ++depth > maximumNesting) {
            return false;
        }
        i = j + 1;
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
        // The iterator, not an index: the parsed list finds an index by walking from its start.
        PropertyArray array;
        array.reserve(plist_array_get_size(node));
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        std::unique_ptr<void, Freed> iteratorOwner(iterator);
        while (true) {
            plist_t value = nullptr;
            plist_array_next_item(node, iterator, &value);
            if (value == nullptr) break;
            std::optional<PropertyValue> item = read(value, depth + 1);
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
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // Checked as both forms wherever the library might take the input for either.
    if (text.starts_with("bplist")) {
        std::optional<BinaryLayout> layout = BinaryLayout::of(bytes);
        if (!layout || !binaryStringsAreFreeOfNUL(*layout) ||
            !binaryStructureIsWithinLimits(*layout, maximumDepth + 1, maximumValueCount)) {
            return std::nullopt;
        }
    }
    if (!text.starts_with("bplist00")) {
        // XML never holds a NUL byte. Its elements nest one deeper than the values: <plist> holds them.
        if (text.find('\0') != std::string_view::npos || !xmlNestingIsWithinLimit(text, maximumDepth + 2)) {
            return std::nullopt;
        }
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
