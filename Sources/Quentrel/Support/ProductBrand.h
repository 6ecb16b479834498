#pragma once

#include <string>

#include "Platform/Foundation/PropertyValue.h"

namespace quentrel {

// The product's display name as the settings and help views show it.
struct ProductBrand {
    static constexpr const char* fallbackDisplayName = "Kavrinet Preview";

    // The main bundle's "CFBundleDisplayName" when it is a string (an empty one as it is), else
    // the fallback. Computed once, on first use from any thread, and kept for the process's life.
    static const std::string& displayName();

    // The rule itself, for a given information dictionary.
    static std::string displayName(const platform::PropertyDictionary& info);
};

}  // namespace quentrel
