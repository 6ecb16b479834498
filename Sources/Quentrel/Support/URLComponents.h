#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quentrel {

// The parts of a URL reference as RFC 3986 splits them, each as written (percent-encoded). A part
// is absent when its delimiter is missing and present but empty when only the delimiter is there:
// "https://a.example/?" has an empty query, "https://@a.example" an empty user.
struct URLComponents {
    std::optional<std::string> scheme;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::optional<std::string> host;  // without the brackets of an IP literal
    std::optional<std::string> port;  // digits only, possibly empty
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    // Parses a URL reference strictly: every character must be one RFC 3986 allows where it
    // stands, and every "%" must start a two-digit hexadecimal escape; otherwise nothing. Nothing
    // is percent-encoded or normalised on the way.
    static std::optional<URLComponents> parse(std::string_view text);

    // The host with its escapes decoded; absent without a host or when the decoded bytes are not UTF-8.
    std::optional<std::string> decodedHost() const;

    friend bool operator==(const URLComponents&, const URLComponents&) = default;
};

}  // namespace quentrel
