#pragma once

#include <string>

namespace wendmark {

// The version strings of the running bundle, read from its information dictionary on every access.
struct AppVersion {
    AppVersion() = delete;

    // "CFBundleShortVersionString" when it is a string (also an empty one), else "development".
    static std::string current();
    // "CFBundleVersion" when it is a string (also an empty one), else "unpackaged".
    static std::string build();
};

}  // namespace wendmark
