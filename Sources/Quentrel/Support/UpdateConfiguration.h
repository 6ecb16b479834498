#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/PropertyValue.h"

namespace quentrel {

// Where and how the app could fetch updates, accepted only when every required information-list
// key has exactly the expected value or form.
struct UpdateConfiguration {
    enum class Channel { stable, beta };

    std::string feedURL;        // "SUFeedURL", as written
    platform::Data publicKey;   // "SUPublicEDKey", exactly 32 bytes
    Channel channel = Channel::stable;

    static std::optional<UpdateConfiguration> validated(const platform::PropertyDictionary& info);

    friend bool operator==(const UpdateConfiguration&, const UpdateConfiguration&) = default;
};

}  // namespace quentrel
