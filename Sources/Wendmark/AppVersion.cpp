#include "AppVersion.h"

#include "Platform/Foundation/BundleInfo.h"

namespace wendmark {

namespace {
std::string stringEntry(const char* key, const char* fallback) {
    std::shared_ptr<const platform::BundleInfo> bundle = platform::mainBundle();
    const platform::PropertyValue* value = bundle->object(key);
    if (const std::string* text = value ? value->get<std::string>() : nullptr) return *text;
    return fallback;
}
}  // namespace

std::string AppVersion::current() { return stringEntry("CFBundleShortVersionString", "development"); }

std::string AppVersion::build() { return stringEntry("CFBundleVersion", "unpackaged"); }

}  // namespace wendmark
