#include "ProductSettings.h"

#include <algorithm>
#include <exception>
#include <string>

#include "GraphemeText.h"

namespace quentrel {

using platform::Data;
using platform::DefaultsDatabase;
using platform::PropertyDictionary;
using platform::PropertyValue;

namespace {

const PropertyValue* find(const PropertyDictionary& dictionary, std::string_view key) {
    auto it = dictionary.find(key);
    return it == dictionary.end() ? nullptr : &it->second;
}

const Data* dataValue(const PropertyValue* value) { return value ? value->get<Data>() : nullptr; }

}  // namespace

std::optional<bool> ProductSettings::boolean(const PropertyValue* value) {
    if (value == nullptr) return std::nullopt;
    if (const bool* flag = value->get<bool>()) return *flag;
    return std::nullopt;
}

ProductSettings::ObservationPreferences ProductSettings::observationPreferences(const DefaultsDatabase& defaults) {
    std::optional<Data> stored = defaults.dataForKey(observationTargetKey);
    std::optional<PropertyValue> show = defaults.object(showStatusOnLaunchKey);
    std::optional<PropertyValue> polling = defaults.object(backgroundPollingKey);
    ObservationPreferences preferences;
    preferences.showDashboard = boolean(show ? &*show : nullptr).value_or(false);
    preferences.backgroundPolling = boolean(polling ? &*polling : nullptr).value_or(false);
    if (stored && validatedTarget(*stored)) preferences.targetData = std::move(stored);
    return preferences;
}

void ProductSettings::apply(const ObservationPreferences& preferences, DefaultsDatabase& defaults) {
    defaults.set(preferences.showDashboard, showStatusOnLaunchKey);
    defaults.set(preferences.backgroundPolling, backgroundPollingKey);
    if (preferences.targetData) {
        defaults.set(*preferences.targetData, observationTargetKey);
    } else {
        defaults.removeObject(observationTargetKey);
    }
    defaults.set(std::max(defaults.integerForKey(schemaVersionKey), schemaVersion), schemaVersionKey);
}

std::optional<wendmark::ObservationTarget> ProductSettings::validatedTarget(const Data& data) {
    if (data.size() > maximumTargetDataSize) return std::nullopt;
    std::optional<wendmark::ObservationTarget> target;
    try {
        target = platform::json::decode<wendmark::ObservationTarget>(
            std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const auto& uuids = target->volumeUUIDs();
    if (uuids.empty() || uuids.size() > maximumVolumeUUIDs) return std::nullopt;
    for (const std::string& uuid : uuids) {
        if (uuid.empty() || !hasAtMostGraphemes(uuid, maximumVolumeUUIDLength)) return std::nullopt;
    }
    if (target->model().empty() || !hasAtMostGraphemes(target->model(), maximumModelLength)) return std::nullopt;
    if (!hasAtMostGraphemes(target->displayName(), maximumDisplayNameLength)) return std::nullopt;
    return target;
}

void ProductSettings::migrate(DefaultsDatabase& defaults, const std::optional<std::string>& bundleID) {
    if (!bundleID || *bundleID == unmigratedBundleIdentifier) return;
    PropertyDictionary current = defaults.persistentDomain(*bundleID).value_or(PropertyDictionary{});
    for (auto& [key, value] : migration(current, {})) defaults.set(std::move(value), key);
}

PropertyDictionary ProductSettings::migration(const PropertyDictionary& current, const PropertyDictionary& legacy) {
    const PropertyValue* stored = find(current, schemaVersionKey);
    const std::int64_t* storedVersion = stored ? stored->get<std::int64_t>() : nullptr;
    const std::int64_t version = storedVersion ? *storedVersion : 0;
    if (version > 1) return {};

    PropertyDictionary result;
    result.emplace(schemaVersionKey, schemaVersion);
    result.emplace(onboardingCompletedKey, boolean(find(current, onboardingCompletedKey)).value_or(false));
    if (version != 0) return result;

    for (std::string_view key : {showStatusOnLaunchKey, backgroundPollingKey}) {
        std::optional<bool> value = boolean(find(current, key));
        if (!value) value = boolean(find(legacy, key));
        result.emplace(key, value.value_or(false));
    }

    const Data* bytes = dataValue(find(current, observationTargetKey));
    if (!bytes) bytes = dataValue(find(legacy, observationTargetKey));
    if (!bytes) return result;
    if (std::optional<wendmark::ObservationTarget> target = validatedTarget(*bytes)) {
        try {
            std::string encoded = platform::json::encode(*target);
            result.emplace(observationTargetKey, Data(encoded.begin(), encoded.end()));
        } catch (const std::exception&) {
            // An encoding failure leaves the target out.
        }
    }
    return result;
}

}  // namespace quentrel
