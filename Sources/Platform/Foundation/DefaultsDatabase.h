#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "PropertyValue.h"

namespace platform {

// The per-program settings store: stored values of the program's own domain, and registered
// defaults that live in memory only and answer for a key that has no stored value. Values keep
// their property-list types. Every operation may be called from any thread.
class DefaultsDatabase {
public:
    virtual ~DefaultsDatabase() = default;

    // The stored value of `key`, else its registered default, else absent.
    virtual std::optional<PropertyValue> object(std::string_view key) const = 0;
    // Stores the value (and writes the domain out, where the database has a file, possibly
    // later). Throws PropertyListError, storing nothing, for a value a property list cannot hold.
    virtual void set(PropertyValue value, std::string_view key) = 0;
    virtual void removeObject(std::string_view key) = 0;
    // Adds to the registered defaults (in memory only); later registrations replace earlier ones.
    virtual void registerDefaults(const PropertyDictionary& defaults) = 0;
    // The stored values of the domain `name` without registered defaults; absent for a domain
    // that is not this database's own.
    virtual std::optional<PropertyDictionary> persistentDomain(std::string_view name) const = 0;
    // Writes the changes not yet written out and waits for that, for a program about to stop.
    // A database without a file has nothing to write.
    virtual void flush() {}

    // Typed reads over object(), converting between the value types:
    // - boolForKey: a Boolean as it is; a number is true when non-zero; a string is true for
    //   "yes" or "true" (any case) or a leading integer that is not 0; anything else false.
    // - integerForKey: an integer; a real cut towards zero (clamped); a Boolean as 0 or 1; a string
    //   read as a leading integer; else 0.
    // - doubleForKey: any number; a Boolean as 0 or 1; a string read as a leading real; else 0.
    // - stringForKey: a string; a number as its decimal text (a Boolean as "1" or "0"); else absent.
    // - dataForKey, arrayForKey, dictionaryForKey: only a value of exactly that type.
    bool boolForKey(std::string_view key) const;
    std::int64_t integerForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<Data> dataForKey(std::string_view key) const;
    std::optional<PropertyArray> arrayForKey(std::string_view key) const;
    std::optional<PropertyDictionary> dictionaryForKey(std::string_view key) const;
};

}  // namespace platform
