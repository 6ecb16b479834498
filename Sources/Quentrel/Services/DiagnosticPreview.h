#pragma once

#include <string>

#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// One finished diagnostic export, as the store keeps it between building it and copying or saving
// it. A plain value: it travels to the UI app inside the UI state.
struct DiagnosticPreview {
    platform::Data data;        // the exact bytes of the report
    platform::Date createdAt;   // when the store made the preview

    // The bytes as UTF-8 text; each maximal ill-formed subpart becomes one U+FFFD.
    std::string text() const;

    // The save action writes only while the preview it captured is still equal to the current one,
    // so the creation date counts as much as the bytes.
    friend bool operator==(const DiagnosticPreview&, const DiagnosticPreview&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static DiagnosticPreview decode(const platform::json::ObjectDecoder& d);
};

}  // namespace quentrel
