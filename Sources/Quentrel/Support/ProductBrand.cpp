#include "ProductBrand.h"

#include "Platform/Foundation/BundleInfo.h"

namespace quentrel {

namespace {
constexpr std::string_view displayNameKey = "CFBundleDisplayName";
}  // namespace

std::string ProductBrand::displayName(const platform::PropertyDictionary& info) {
    auto it = info.find(displayNameKey);
    if (it != info.end())
        if (const auto* name = it->second.get<std::string>()) return *name;
    return fallbackDisplayName;
}

const std::string& ProductBrand::displayName() {
    // A function-local static is initialised once, thread-safely; later bundle changes are not seen.
    static const std::string name = [] {
        auto bundle = platform::mainBundle();
        return bundle ? displayName(bundle->infoDictionary) : std::string(fallbackDisplayName);
    }();
    return name;
}

}  // namespace quentrel
