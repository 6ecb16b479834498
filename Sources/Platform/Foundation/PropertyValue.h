#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Base64.h"
#include "Date.h"

namespace platform {

class PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue, std::less<>>;

// One property-list value, keeping the format's types apart: a Boolean is not the number 1, an
// integer is not a real, data is not a string.
class PropertyValue {
public:
    using Storage = std::variant<bool, std::int64_t, double, std::string, Data, Date, PropertyArray, PropertyDictionary>;

    PropertyValue() = default;  // false
    PropertyValue(bool value) : storage_(value) {}
    template <std::integral I>
        requires(!std::same_as<I, bool>)
    PropertyValue(I value) : storage_(checkedInteger(value)) {}
    template <std::floating_point F>
    PropertyValue(F value) : storage_(static_cast<double>(value)) {}
    PropertyValue(std::string value) : storage_(std::move(value)) {}
    PropertyValue(std::string_view value) : storage_(std::string(value)) {}
    PropertyValue(const char* value) : storage_(std::string(value)) {}
    PropertyValue(Data value) : storage_(std::move(value)) {}
    PropertyValue(Date value) : storage_(value) {}
    PropertyValue(PropertyArray value) : storage_(std::move(value)) {}
    PropertyValue(PropertyDictionary value) : storage_(std::move(value)) {}

    // The value when it has type T (one of the Storage types), else nullptr.
    template <class T>
    const T* get() const {
        return std::get_if<T>(&storage_);
    }
    template <class T>
    bool is() const {
        return std::holds_alternative<T>(storage_);
    }
    const Storage& storage() const { return storage_; }

    friend bool operator==(const PropertyValue&, const PropertyValue&) = default;

private:
    template <std::integral I>
    static std::int64_t checkedInteger(I value) {
        if constexpr (std::is_unsigned_v<I> && sizeof(I) >= sizeof(std::int64_t)) {
            if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                throw std::out_of_range("property-list integers are signed 64-bit");
            }
        }
        return static_cast<std::int64_t>(value);
    }

    Storage storage_;
};

}  // namespace platform
