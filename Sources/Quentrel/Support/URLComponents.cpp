#include "URLComponents.h"

#include "Platform/Foundation/UTF8.h"

namespace quentrel {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c) {
    switch (c) {
        case '!': case '$': case '&': case '\'': case '(': case ')':
        case '*': case '+': case ',': case ';': case '=': return true;
        default: return false;
    }
}

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Every character is unreserved, a sub-delimiter, one of `extra`, or a complete escape.
bool allowed(std::string_view text, std::string_view extra) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return false;
            if (!isHex(text[i + 1]) || !isHex(text[i + 2])) return false;
            i += 2;
        } else if (!isUnreserved(c) && !isSubDelim(c) && extra.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

constexpr std::string_view pathExtra = ":@/";
constexpr std::string_view queryExtra = ":@/?";

bool validScheme(std::string_view s) {
    if (s.empty() || !isAlpha(s[0])) return false;
    for (char c : s)
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

// An IP literal between brackets: an IPv6 address (hex digits, colons, an embedded IPv4 part) or
// a future form "v<hex>.<text>".
bool validIPLiteral(std::string_view s) {
    if (s.empty()) return false;
    if (s[0] == 'v' || s[0] == 'V') {
        auto dot = s.find('.');
        if (dot == std::string_view::npos || dot < 2 || dot + 1 == s.size()) return false;
        for (std::size_t i = 1; i < dot; ++i)
            if (!isHex(s[i])) return false;
        std::string_view rest = s.substr(dot + 1);
        return rest.find('%') == std::string_view::npos && allowed(rest, ":");
    }
    if (s.find(':') == std::string_view::npos) return false;
    for (char c : s)
        if (!isHex(c) && c != ':' && c != '.') return false;
    return true;
}

bool parseAuthority(std::string_view authority, URLComponents& out) {
    if (auto at = authority.find('@'); at != std::string_view::npos) {
        std::string_view userinfo = authority.substr(0, at);
        if (!allowed(userinfo, ":")) return false;
        auto colon = userinfo.find(':');
        out.user = std::string(userinfo.substr(0, colon));
        if (colon != std::string_view::npos) out.password = std::string(userinfo.substr(colon + 1));
        authority.remove_prefix(at + 1);
    }
    std::string_view rest;
    if (!authority.empty() && authority[0] == '[') {
        auto close = authority.find(']');
        if (close == std::string_view::npos || !validIPLiteral(authority.substr(1, close - 1))) return false;
        out.host = std::string(authority.substr(1, close - 1));
        rest = authority.substr(close + 1);
        if (!rest.empty() && rest[0] != ':') return false;
    } else {
        auto colon = authority.find(':');
        std::string_view host = authority.substr(0, colon);
        if (!allowed(host, "")) return false;
        out.host = std::string(host);
        if (colon != std::string_view::npos) rest = authority.substr(colon);
    }
    if (!rest.empty()) {
        std::string_view port = rest.substr(1);
        for (char c : port)
            if (!isDigit(c)) return false;
        out.port = std::string(port);
    }
    return true;
}

}  // namespace

std::optional<URLComponents> URLComponents::parse(std::string_view text) {
    URLComponents out;

    if (auto hash = text.find('#'); hash != std::string_view::npos) {
        std::string_view fragment = text.substr(hash + 1);
        if (!allowed(fragment, queryExtra)) return std::nullopt;
        out.fragment = std::string(fragment);
        text = text.substr(0, hash);
    }
    if (auto question = text.find('?'); question != std::string_view::npos) {
        std::string_view query = text.substr(question + 1);
        if (!allowed(query, queryExtra)) return std::nullopt;
        out.query = std::string(query);
        text = text.substr(0, question);
    }

    // A scheme is what stands before the first ":" when no "/" comes earlier; a first segment
    // with a ":" that is no valid scheme cannot start a relative reference either.
    auto colon = text.find(':');
    if (colon != std::string_view::npos && colon < text.find('/')) {
        std::string_view scheme = text.substr(0, colon);
        if (!validScheme(scheme)) return std::nullopt;
        out.scheme = std::string(scheme);
        text.remove_prefix(colon + 1);
    }

    if (text.starts_with("//")) {
        text.remove_prefix(2);
        auto slash = text.find('/');
        if (!parseAuthority(text.substr(0, slash), out)) return std::nullopt;
        text = slash == std::string_view::npos ? std::string_view{} : text.substr(slash);
    }
    if (!allowed(text, pathExtra)) return std::nullopt;
    out.path = std::string(text);
    return out;
}

std::optional<std::string> URLComponents::decodedHost() const {
    if (!host) return std::nullopt;
    std::string decoded;
    decoded.reserve(host->size());
    for (std::size_t i = 0; i < host->size(); ++i) {
        const char c = (*host)[i];
        if (c == '%' && i + 2 < host->size()) {  // escapes were checked by parse()
            decoded.push_back(static_cast<char>(hexValue((*host)[i + 1]) * 16 + hexValue((*host)[i + 2])));
            i += 2;
        } else {
            decoded.push_back(c);
        }
    }
    // Only text counts as a host name.
    if (!platform::isUTF8(decoded)) return std::nullopt;
    return decoded;
}

}  // namespace quentrel
