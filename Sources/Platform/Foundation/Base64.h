#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Data = std::vector<std::uint8_t>;

// Standard Base64 with padding, the form in which byte data is encoded as JSON.
std::string base64Encode(const Data& data);
// Strict: only the standard alphabet, with the padding a complete text has; anything else gives nothing.
std::optional<Data> base64Decode(std::string_view text);

}  // namespace platform
