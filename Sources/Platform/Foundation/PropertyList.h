#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

#include "PropertyValue.h"

namespace platform {

enum class PropertyListFormat { xml, binary };

// A value that the property-list format cannot hold: a string or key that is not UTF-8 or holds a
// NUL character, or a date outside the years 1933 to 2069 that the writer supports.
class PropertyListError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct PropertyList {
    // Reads an XML or binary property list. Absent when the bytes are not a property list, or hold
    // a value outside PropertyValue (a keyed-archive UID) or a string that is not UTF-8, or nest
    // deeper than `maximumDepth`, or (through references a binary list shares) make more than
    // `maximumValueCount` values. Nesting and size are checked before the bytes are parsed.
    // Integers are signed 64-bit. Dates keep whole microseconds (the last one may be cut off) in
    // the binary form and whole seconds in XML; one within the second before 2001-01-01 reads as
    // the same distance after it.
    static std::optional<PropertyValue> parse(std::span<const std::uint8_t> bytes);

    // Throws PropertyListError for a value the format cannot hold.
    static void check(const PropertyValue& value);
    static Data serialize(const PropertyValue& value, PropertyListFormat format);

    static constexpr int maximumDepth = 256;
    // More values than a 4 MiB file can list without sharing a container.
    static constexpr std::uint64_t maximumValueCount = std::uint64_t{1} << 22;
};

}  // namespace platform
