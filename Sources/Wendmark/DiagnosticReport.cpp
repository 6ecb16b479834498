#include "DiagnosticReport.h"

#include <algorithm>

#include "AppVersion.h"
#include "Platform/Foundation/JSONPretty.h"
#include "Platform/Foundation/ProcessInfo.h"

namespace wendmark {

namespace json = platform::json;

platform::Data DiagnosticReport::data(const InventorySnapshot& inventory, bool paused,
                                      const std::vector<std::string>& events,
                                      const std::map<std::string, DiagnosticValue>& runtime, const std::string& mode,
                                      const std::function<platform::Date()>& now) {
    const json::Options options{json::DateForm::iso8601};

    std::vector<std::string> firstEvents(events.begin(),
                                         events.begin() + static_cast<std::ptrdiff_t>(std::min(events.size(), eventLimit)));
    const std::vector<std::string> limitations = {
        "Host counters do not prove physical low-power state or energy savings.",
        "Missing counters are unknown, not zero or confirmed unsupported.",
        "Volume names and device models are included; UUIDs and mount paths are redacted.",
    };

    // Written compactly, then printed pretty and sorted without the redacted keys.
    const std::string compact = json::writeText([&](json::Writer& writer) {
        json::encodeObject(writer, options, [&](json::ObjectEncoder& e) {
            e.field("schemaVersion", schemaVersion)
                .field("appVersion", AppVersion::current())
                .field("appBuild", AppVersion::build())
                .field("buildConfiguration", std::string("release"))
                .field("processID", platform::processIdentifier())
                .field("mode", mode)
                .field("exportedAt", now())
                .field("os", platform::operatingSystemVersionString())
                .field("paused", paused)
                .field("inventory", inventory)
                .field("events", firstEvents);
            writer.Key("runtime");
            json::encodeObject(writer, options, [&](json::ObjectEncoder& values) {
                for (const auto& [key, value] : runtime) values.field(key, value);
            });
            e.field("limitations", limitations);
        });
    });
    // "mountPath" and "volumeUUID" go at every depth of the inventory; everything else stays.
    const std::string text = json::prettySortedText(compact, {"inventory", {"mountPath", "volumeUUID"}});
    return platform::Data(text.begin(), text.end());
}

}  // namespace wendmark
