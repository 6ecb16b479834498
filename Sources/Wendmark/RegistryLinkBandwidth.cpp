#include "Wendmark/RegistryLinkBandwidth.h"

#include <cmath>
#include <limits>
#include <unordered_set>
#include <vector>

namespace wendmark {

namespace {

using platform::Registry;
using platform::RegistryObject;

constexpr int walkBudget = 40;
constexpr double twoToThe63 = 9223372036854775808.0;

// Speed codes and widths beyond int are in no table; they become a value that is in none either.
int code(std::int64_t value) {
    return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(value);
}

// A mask keeps the bits a valid speed code can have.
int mask(std::int64_t value) { return static_cast<int>(value & std::numeric_limits<int>::max()); }

std::optional<int> code(const std::optional<std::int64_t>& value) {
    if (!value) return std::nullopt;
    return code(*value);
}

}  // namespace

std::optional<std::int64_t> RegistryLinkBandwidth::integer(Registry& registry, const RegistryObject& entry,
                                                           std::string_view key) {
    std::optional<platform::Value> value = registry.property(entry, key);
    if (!value || !value->isNumber()) return std::nullopt;
    std::optional<double> d = value->doubleValue();
    if (!d || !std::isfinite(*d) || *d < 0 || *d >= twoToThe63 || *d != std::trunc(*d)) return std::nullopt;
    return value->int64Value();
}

std::optional<RegistryObject> RegistryLinkBandwidth::uniqueParent(Registry& registry, const RegistryObject& entry) {
    std::optional<platform::ParentIterator> parents = registry.parentIterator(entry, platform::servicePlane);
    if (!parents) return std::nullopt;
    std::optional<RegistryObject> first = parents->next();
    std::optional<RegistryObject> second = parents->next();
    if (second || !first || !parents->isValid()) return std::nullopt;
    return first;
}

std::optional<LinkBandwidth> RegistryLinkBandwidth::thunderboltPath(Registry& registry, const RegistryObject& service) {
    std::unordered_set<std::uint64_t> visited;
    std::vector<LinkBandwidth> ports;
    RegistryObject current = service;
    for (int examined = 0; examined < walkBudget; ++examined) {
        std::optional<std::uint64_t> id = registry.entryID(current);
        if (!id || !visited.insert(*id).second) return std::nullopt;

        if (std::optional<std::string> name = registry.className(current);
            name && name->starts_with("IOThunderboltController"))
            return LinkBandwidth::slowest(ports);

        if (registry.conformsTo(current, "IOThunderboltPort") && integer(registry, current, "Adapter Type") == 1) {
            std::optional<std::int64_t> speed = integer(registry, current, "Current Link Speed");
            std::optional<std::int64_t> width = integer(registry, current, "Current Link Width");
            std::optional<std::int64_t> supported = integer(registry, current, "Supported Link Speed");
            if (!speed || !width || !supported) return std::nullopt;
            std::optional<LinkBandwidth> link = LinkBandwidth::thunderbolt(code(*speed), code(*width), mask(*supported));
            if (!link) return std::nullopt;
            ports.push_back(*link);
        }

        std::optional<RegistryObject> parent = uniqueParent(registry, current);
        if (!parent) return std::nullopt;
        current = std::move(*parent);
    }
    return std::nullopt;
}

std::optional<LinkBandwidth> RegistryLinkBandwidth::read(Registry& registry, std::uint64_t driverID) {
    std::optional<RegistryObject> driver = registry.matchingEntryID(driverID);
    if (!driver) return std::nullopt;

    std::unordered_set<std::uint64_t> visited;
    std::vector<LinkBandwidth> links;
    RegistryObject current = std::move(*driver);
    for (int examined = 0; examined < walkBudget; ++examined) {
        std::optional<std::uint64_t> id = registry.entryID(current);
        if (!id || !visited.insert(*id).second) return std::nullopt;

        if (registry.conformsTo(current, "IOUSBHostDevice") || registry.conformsTo(current, "IOUSBDevice")) {
            std::optional<LinkBandwidth> link = LinkBandwidth::usb(code(integer(registry, current, "USBSpeed")),
                                                                   code(integer(registry, current, "Device Speed")));
            if (!link) return std::nullopt;
            links.push_back(*link);
        }

        if (std::optional<std::int64_t> thunderboltID = integer(registry, current, "Thunderbolt Entry ID");
            thunderboltID && *thunderboltID >= 1) {
            std::optional<RegistryObject> service = registry.matchingEntryID(static_cast<std::uint64_t>(*thunderboltID));
            if (!service) return std::nullopt;
            // The Thunderbolt service must point back at this PCI entry.
            std::optional<std::int64_t> pciID = integer(registry, *service, "PCI Entry ID");
            if (!pciID || static_cast<std::uint64_t>(*pciID) != *id) return std::nullopt;
            std::optional<LinkBandwidth> tunnel = thunderboltPath(registry, *service);
            if (!tunnel) return std::nullopt;
            links.push_back(*tunnel);
            return LinkBandwidth::slowest(links);
        }

        if (registry.className(current) == "IORegistryEntry") return LinkBandwidth::slowest(links);

        std::optional<RegistryObject> parent = uniqueParent(registry, current);
        if (!parent) return std::nullopt;
        current = std::move(*parent);
    }
    return std::nullopt;
}

}  // namespace wendmark
