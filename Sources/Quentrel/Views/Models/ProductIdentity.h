#pragma once

#include <string>

namespace quentrel {

// What a window tells of the running program: its display name, version and build.
struct ProductIdentity {
    std::string displayName;
    std::string version;
    std::string build;

    // The running program's own values, with their fallbacks ("Kavrinet Preview", "development",
    // "unpackaged") where its bundle gives none.
    static ProductIdentity running();

    friend bool operator==(const ProductIdentity&, const ProductIdentity&) = default;
};

}  // namespace quentrel
