#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DiagnosticValue.h"
#include "InventorySnapshot.h"
#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/Date.h"

namespace wendmark {

// A self-contained diagnostic document of the core library: the inventory without volume UUIDs and
// mount paths, the first 30 events, named runtime values and the limits of what the data proves.
struct DiagnosticReport {
    DiagnosticReport() = delete;

    static constexpr int schemaVersion = 3;
    static constexpr std::size_t eventLimit = 30;

    // Pretty-printed JSON with sorted keys, unescaped slashes and ISO 8601 dates; "exportedAt" is
    // `now()`. Throws platform::json::EncodingError when a value cannot be encoded.
    static platform::Data data(const InventorySnapshot& inventory, bool paused, const std::vector<std::string>& events,
                               const std::map<std::string, DiagnosticValue>& runtime, const std::string& mode,
                               const std::function<platform::Date()>& now = &platform::Date::now);
};

}  // namespace wendmark
