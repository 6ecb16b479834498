#include "DiagnosticReport.h"

#include <algorithm>

#include "AppVersion.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Platform/Foundation/ProcessInfo.h"

namespace wendmark {

namespace json = platform::json;

namespace {

// Drops "mountPath" and "volumeUUID" at every depth; everything else stays as it is.
json::Value redact(const json::Value& value) {
    if (value.is_object()) {
        json::Value out = json::Value::object();
        for (auto it = value.begin(); it != value.end(); ++it)
            if (it.key() != "mountPath" && it.key() != "volumeUUID") out[it.key()] = redact(it.value());
        return out;
    }
    if (value.is_array()) {
        json::Value out = json::Value::array();
        for (const auto& element : value) out.push_back(redact(element));
        return out;
    }
    return value;
}

}  // namespace

platform::Data DiagnosticReport::data(const InventorySnapshot& inventory, bool paused,
                                      const std::vector<std::string>& events,
                                      const std::map<std::string, DiagnosticValue>& runtime, const std::string& mode,
                                      const std::function<platform::Date()>& now) {
    const json::Options options{json::DateForm::iso8601};

    json::Value runtimeObject = json::Value::object();
    for (const auto& [key, value] : runtime) runtimeObject[key] = json::encodeValue(value, options);

    std::vector<std::string> firstEvents(events.begin(), events.begin() + std::min(events.size(), eventLimit));

    json::Value document = json::Value::object();
    document["schemaVersion"] = schemaVersion;
    document["appVersion"] = AppVersion::current();
    document["appBuild"] = AppVersion::build();
    document["buildConfiguration"] = "release";
    document["processID"] = platform::processIdentifier();
    document["mode"] = mode;
    document["exportedAt"] = json::encodeValue(now(), options);
    document["os"] = platform::operatingSystemVersionString();
    document["paused"] = paused;
    document["inventory"] = redact(json::encodeValue(inventory, options));
    document["events"] = json::encodeValue(firstEvents, options);
    document["runtime"] = std::move(runtimeObject);
    document["limitations"] = json::Value::array({
        "Host counters do not prove physical low-power state or energy savings.",
        "Missing counters are unknown, not zero or confirmed unsupported.",
        "Volume names and device models are included; UUIDs and mount paths are redacted.",
    });

    std::string text = json::dumpPrettySorted(document);
    return platform::Data(text.begin(), text.end());
}

}  // namespace wendmark
