#include "UpdateConfiguration.h"

#include <cstdint>
#include <string_view>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "URLComponents.h"

namespace quentrel {

namespace {

constexpr std::size_t publicKeyLength = 32;
constexpr std::string_view requiredScheme = "https";
constexpr std::string_view localHost = "localhost";
constexpr std::string_view localDomainSuffix = ".localhost";

// A Boolean test: present, stored as a Boolean (the number 0 or 1 does not count), and equal.
bool booleanIs(const platform::PropertyDictionary& info, std::string_view key, bool expected) {
    auto it = info.find(key);
    if (it == info.end()) return false;
    const bool* value = it->second.get<bool>();
    return value && *value == expected;
}

// A number that is not a Boolean, whose value is exactly 0.
bool numberIsZero(const platform::PropertyDictionary& info, std::string_view key) {
    auto it = info.find(key);
    if (it == info.end()) return false;
    if (const auto* integer = it->second.get<std::int64_t>()) return static_cast<double>(*integer) == 0.0;
    if (const auto* real = it->second.get<double>()) return *real == 0.0;
    return false;
}

const std::string* stringValue(const platform::PropertyDictionary& info, std::string_view key) {
    auto it = info.find(key);
    return it == info.end() ? nullptr : it->second.get<std::string>();
}

// The Unicode white space and newline set: the space, line and paragraph separators (Z*), the
// controls U+0009 to U+000D and U+0085. Text that is not UTF-8 counts as containing one.
bool containsWhitespaceOrNewline(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return true;
        if ((c >= 0x09 && c <= 0x0D) || c == 0x85) return true;
        const auto type = u_charType(c);
        if (type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR) return true;
    }
    return false;
}

std::string asciiLowercased(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool acceptableFeed(const std::string& text) {
    auto components = URLComponents::parse(text);
    if (!components) return false;
    if (containsWhitespaceOrNewline(text)) return false;
    if (!components->scheme || asciiLowercased(*components->scheme) != requiredScheme) return false;
    // Letter case only matters for ASCII here: no other character lowercases into the dot or
    // the letters of "localhost".
    auto host = components->decodedHost();
    if (!host) return false;
    const std::string lowered = asciiLowercased(*host);
    if (lowered.find('.') == std::string::npos) return false;
    if (lowered == localHost || lowered.ends_with(localDomainSuffix)) return false;
    if (components->user || components->password || components->query || components->fragment) return false;
    return true;  // parsed components always make a URL
}

}  // namespace

std::optional<UpdateConfiguration> UpdateConfiguration::validated(const platform::PropertyDictionary& info) {
    if (!booleanIs(info, "KavrinetUpdatesConfigured", true)) return std::nullopt;
    if (!booleanIs(info, "SUEnableAutomaticChecks", false)) return std::nullopt;
    if (!booleanIs(info, "SUAutomaticallyUpdate", false)) return std::nullopt;
    if (!booleanIs(info, "SUAllowsAutomaticUpdates", false)) return std::nullopt;
    if (!booleanIs(info, "SUEnableSystemProfiling", false)) return std::nullopt;
    if (!booleanIs(info, "SUVerifyUpdateBeforeExtraction", true)) return std::nullopt;
    if (!booleanIs(info, "SURequireSignedFeed", true)) return std::nullopt;
    if (!numberIsZero(info, "SUSignedFeedFailureExpirationInterval")) return std::nullopt;

    Channel channel;
    const std::string* channelText = stringValue(info, "KavrinetUpdateChannel");
    if (!channelText) return std::nullopt;
    if (*channelText == "stable")
        channel = Channel::stable;
    else if (*channelText == "beta")
        channel = Channel::beta;
    else
        return std::nullopt;

    const std::string* feed = stringValue(info, "SUFeedURL");
    if (!feed || !acceptableFeed(*feed)) return std::nullopt;

    const std::string* keyText = stringValue(info, "SUPublicEDKey");
    if (!keyText) return std::nullopt;
    auto key = platform::base64Decode(*keyText);
    if (!key || key->size() != publicKeyLength) return std::nullopt;

    return UpdateConfiguration{*feed, std::move(*key), channel};
}

}  // namespace quentrel
