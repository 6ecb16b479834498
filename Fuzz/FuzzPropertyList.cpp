// Property lists come from files any program of the user can write (Info.plist, the defaults
// database): parsing must never crash, and whatever parses must write and read back unchanged.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "Platform/Foundation/PropertyList.h"

using namespace platform;

namespace {

// Equality where NaN equals NaN, and dates agree to the microsecond the format keeps.
bool same(const PropertyValue& a, const PropertyValue& b) {
    if (a.storage().index() != b.storage().index()) return false;
    if (const Date* x = a.get<Date>()) return std::abs(x->sinceReferenceDate - b.get<Date>()->sinceReferenceDate) <= 2e-6;
    if (const double* x = a.get<double>()) {
        const double* y = b.get<double>();
        return (std::isnan(*x) && std::isnan(*y)) || *x == *y;
    }
    if (const auto* x = a.get<PropertyArray>()) {
        const auto* y = b.get<PropertyArray>();
        if (x->size() != y->size()) return false;
        for (std::size_t i = 0; i < x->size(); ++i) {
            if (!same((*x)[i], (*y)[i])) return false;
        }
        return true;
    }
    if (const auto* x = a.get<PropertyDictionary>()) {
        const auto* y = b.get<PropertyDictionary>();
        if (x->size() != y->size()) return false;
        for (auto i = x->begin(), j = y->begin(); i != x->end(); ++i, ++j) {
            if (i->first != j->first || !same(i->second, j->second)) return false;
        }
        return true;
    }
    return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<PropertyValue> value = PropertyList::parse(std::span(data, size));
    if (!value) return 0;
    Data binary;
    try {
        binary = PropertyList::serialize(*value, PropertyListFormat::binary);
    } catch (const PropertyListError&) {
        return 0;  // a value the writer refuses (a NUL in a string, a date out of range)
    }
    std::optional<PropertyValue> back = PropertyList::parse(binary);
    if (!back || !same(*value, *back)) std::abort();
    return 0;
}
