#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/JSONCoding.h"
#include "RecentEvent.h"
#include "UpdateService.h"
#include "Wendmark/InventorySnapshot.h"

namespace quentrel {

// The anonymised diagnostic document the user copies or saves for support. It is built from its
// own records, so a value of the inventory reaches the document only where a field names it:
// devices and volumes appear under numbered labels, protocol and file-system names only from
// fixed lists, recent events only as a fixed code with their date. No identifier, model, name,
// BSD name, mount path, volume UUID, status text or free event text is ever written.
struct ProductDiagnosticReport {
    ProductDiagnosticReport() = delete;

    static constexpr std::int64_t schemaVersion = 5;
    static constexpr std::string_view privacy = "anonymous-allowlist";
    static constexpr std::string_view buildConfiguration = "release";
    static constexpr std::size_t deviceLimit = 128;
    static constexpr std::size_t volumeLimit = 64;  // per device
    static constexpr std::size_t eventLimit = 30;
    // The code of every message outside the event-code table, and of every protocol or file-system
    // name outside its list.
    static constexpr std::string_view otherCode = "other";

    // The agent's state at the moment of an export: 38 values, filled by the store just before it
    // builds the document and copied into it unchanged. Optional values leave their key out.
    struct Runtime {
        bool samplingEnabled = false;
        double samplingIntervalSeconds = 0;
        std::int64_t visibleSurfaceCount = 0;
        bool loginItemRegistered = false;
        bool targetRemembered = false;
        std::int64_t settingsSchemaVersion = 0;
        bool onboardingCompleted = false;
        std::int64_t activityHistorySamples = 0;
        std::int64_t activityHistoryDevices = 0;
        std::int64_t selectedHistoryIntervals = 0;
        platform::Date historyReferenceDate;
        bool eventHistoryOnInternalStorage = false;
        std::optional<platform::Date> lastSamplingResumedAt;
        std::optional<std::uint64_t> queryCountBeforeLastResume;
        UpdateService::State updateState = UpdateService::State::unconfigured;
        bool updateCheckAvailable = false;
        bool automaticUpdateChecks = false;
        bool connectionNotificationsEnabled = false;
        std::int64_t sessionCount = 0;
        std::optional<std::uint64_t> currentSessionReadBytes;
        std::optional<std::uint64_t> currentSessionWriteBytes;
        std::optional<double> currentSessionObservedSeconds;
        std::optional<double> currentSessionElapsedSeconds;
        bool sessionStorageAvailable = false;
        std::uint64_t observationPublicationCount = 0;
        std::string connectionState;
        std::int64_t connectionLossCount = 0;
        std::int64_t connectionRecoveryCount = 0;
        std::int64_t connectionIdentityChangeCount = 0;
        double connectionConfirmedGapSeconds = 0;
        std::int64_t connectionRetainedChanges = 0;
        std::int64_t trackedClosedUISurfaces = 0;
        std::int64_t retainedClosedUIControllers = 0;
        std::int64_t retainedClosedUIViews = 0;
        bool onDemandUIEnabled = false;
        std::int64_t uiProcessLaunchCount = 0;
        std::optional<platform::Date> lastUIProcessStartedAt;
        std::optional<std::int32_t> uiProcessID;

        friend bool operator==(const Runtime&, const Runtime&) = default;

        // Dates and numbers take the form of the encoder's options (ISO 8601 text in the report).
        void encode(platform::json::ObjectEncoder& e) const;
        static Runtime decode(const platform::json::ObjectDecoder& d);
    };

    // Exact message text → code: the 21 messages of the store, the notification service and the
    // new-work-session action. Built once, on first use.
    static const std::map<std::string, std::string, std::less<>>& eventCodes();
    // The code of one whole message (case-sensitive, no trimming), else "other".
    static std::string_view eventCode(std::string_view message);

    // The document as pretty-printed UTF-8 JSON with sorted keys, unescaped slashes and ISO 8601
    // dates: the first 128 devices with their first 64 volumes, the first 30 of `events` (pass
    // them newest first). Reads nothing but its arguments, the process identifier, the kernel
    // version and the bundle's version strings. Throws platform::json::EncodingError when a value
    // cannot be encoded (a non-finite number of the runtime record, a date out of range).
    static platform::Data data(const wendmark::InventorySnapshot& inventory, bool paused,
                               const std::vector<RecentEvent>& events, const Runtime& runtime, platform::Date date);

    // "major.minor.patch" from the leading dotted integers of a kernel release such as
    // "6.1.0-18-amd64"; missing parts are 0 ("5.15-rc1" gives "5.15.0", "" gives "0.0.0").
    static std::string operatingSystemVersion(std::string_view kernelRelease);
    // The same for the running kernel (uname); "0.0.0" when uname fails.
    static std::string operatingSystemVersion();
};

}  // namespace quentrel
