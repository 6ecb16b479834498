#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A 128-bit universally unique identifier. Its text is the 36-character upper-case form.
struct UUID {
    std::array<std::uint8_t, 16> bytes{};

    // A random (version 4) UUID from the system's random source.
    static UUID random();
    // Accepts the 36-character form in either letter case; anything else gives nothing.
    static std::optional<UUID> fromString(std::string_view text);

    std::string uuidString() const;

    friend bool operator==(const UUID&, const UUID&) = default;
    friend auto operator<=>(const UUID&, const UUID&) = default;
};

// Makes the UUIDs of one component; injectable so tests get known values.
using UUIDGenerator = std::function<UUID()>;

}  // namespace platform

template <>
struct std::hash<platform::UUID> {
    std::size_t operator()(const platform::UUID& u) const noexcept {
        std::size_t h = 0;
        for (auto b : u.bytes) h = h * 131 + b;
        return h;
    }
};
