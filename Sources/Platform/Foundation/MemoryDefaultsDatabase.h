#pragma once

#include <mutex>
#include <string>

#include "DefaultsDatabase.h"

namespace platform {

// A defaults database held in memory only: for tests, and the value store under the file-backed one.
class MemoryDefaultsDatabase final : public DefaultsDatabase {
public:
    explicit MemoryDefaultsDatabase(std::string domain, PropertyDictionary stored = {});

    std::optional<PropertyValue> object(std::string_view key) const override;
    void set(PropertyValue value, std::string_view key) override;
    void removeObject(std::string_view key) override;
    void registerDefaults(const PropertyDictionary& defaults) override;
    std::optional<PropertyDictionary> persistentDomain(std::string_view name) const override;

    const std::string& domain() const { return domain_; }

private:
    const std::string domain_;
    mutable std::mutex mutex_;
    PropertyDictionary stored_;
    PropertyDictionary registered_;
};

}  // namespace platform
