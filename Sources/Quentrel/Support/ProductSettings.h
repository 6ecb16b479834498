#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/DefaultsDatabase.h"
#include "Platform/Foundation/PropertyValue.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

// The agent's persistent settings in its defaults database: the three observation preferences,
// the check of stored target data, and the one-time normalisation to schema version 2 at start.
class ProductSettings {
public:
    ProductSettings() = delete;

    static constexpr std::string_view showStatusOnLaunchKey = "showStatusOnLaunch";
    static constexpr std::string_view backgroundPollingKey = "backgroundPolling";
    static constexpr std::string_view onboardingCompletedKey = "onboardingCompleted";
    static constexpr std::string_view observationTargetKey = "observationTarget";
    static constexpr std::string_view schemaVersionKey = "productSettingsSchemaVersion";
    static constexpr std::int64_t schemaVersion = 2;
    // The one identifier under which migrate() leaves the settings alone.
    static constexpr std::string_view unmigratedBundleIdentifier = "local.mirosal.Quentrel";

    static constexpr std::size_t maximumTargetDataSize = 65536;
    static constexpr std::size_t maximumVolumeUUIDs = 32;
    static constexpr std::size_t maximumVolumeUUIDLength = 128;  // user-perceived characters
    static constexpr std::size_t maximumModelLength = 512;
    static constexpr std::size_t maximumDisplayNameLength = 512;

    struct ObservationPreferences {
        bool showDashboard = false;                 // "showStatusOnLaunch"
        bool backgroundPolling = false;             // "backgroundPolling"
        std::optional<platform::Data> targetData;   // "observationTarget", the stored bytes as they are

        friend bool operator==(const ObservationPreferences&, const ObservationPreferences&) = default;
    };

    // The stored preferences (registered defaults count); a value that is not a Boolean reads as
    // false, target data that does not validate as absent.
    static ObservationPreferences observationPreferences(const platform::DefaultsDatabase& defaults);
    // Writes the preferences (removing the target when there is none) and raises the schema version to 2.
    static void apply(const ObservationPreferences& preferences, platform::DefaultsDatabase& defaults);
    // The decoded target when the data is at most 64 KiB and the target keeps the limits: 1 to 32
    // volume UUIDs of 1 to 128 characters, a model of 1 to 512 characters, a display name of at
    // most 512 characters.
    static std::optional<wendmark::ObservationTarget> validatedTarget(const platform::Data& data);
    // Writes migration() of the app's own stored domain into the database; nothing without a
    // bundle identifier or under "local.mirosal.Quentrel".
    static void migrate(platform::DefaultsDatabase& defaults, const std::optional<std::string>& bundleID);
    // The entries to write for settings `current` (and an older installation's `legacy`).
    static platform::PropertyDictionary migration(const platform::PropertyDictionary& current,
                                                  const platform::PropertyDictionary& legacy);

private:
    // Present only for a value stored as a Boolean.
    static std::optional<bool> boolean(const platform::PropertyValue* value);
};

}  // namespace quentrel
