#include "DesktopEntry.h"

namespace platform {

namespace {

constexpr std::string_view kMainGroup = "Desktop Entry";
constexpr std::string_view kExecKey = "Exec";
// Field codes of the Exec key: files, URLs, icon, name, location, and the deprecated ones. A
// program started at login gets no files, so each expands to nothing here.
constexpr std::string_view kFieldCodes = "fFuUickdDnNvm";
// What quoting a single argument must escape inside double quotes.
constexpr std::string_view kQuotedEscapes = "\"`$\\";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmedFront(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view trimmedBack(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Resolves the field codes of one argument; absent for an unknown code or a lone "%" at the end.
std::optional<std::string> expandFieldCodes(const std::string& argument) {
    std::string out;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%') {
            out.push_back(argument[i]);
            continue;
        }
        if (i + 1 == argument.size()) return std::nullopt;
        const char code = argument[++i];
        if (code == '%')
            out.push_back('%');
        else if (kFieldCodes.find(code) == std::string_view::npos)
            return std::nullopt;
    }
    return out;
}

}  // namespace

const std::string* DesktopEntry::raw(std::string_view key) const {
    auto found = keys.find(key);
    return found != keys.end() ? &found->second : nullptr;
}

std::optional<std::string> DesktopEntry::string(std::string_view key) const {
    const std::string* value = raw(key);
    if (value == nullptr) return std::nullopt;
    return unescapeDesktopString(*value);
}

std::optional<bool> DesktopEntry::boolean(std::string_view key) const {
    const std::string* value = raw(key);
    if (value == nullptr) return std::nullopt;
    if (*value == "true" || *value == "1") return true;
    if (*value == "false" || *value == "0") return false;
    return std::nullopt;
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    DesktopEntry entry;
    bool inAnyGroup = false;
    bool inMainGroup = false;
    bool sawMainGroup = false;
    std::size_t begin = 0;
    while (begin <= bytes.size()) {
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trimmedFront(line);
        if (line.empty() || line.front() == '#') continue;

        if (line.front() == '[') {
            std::string_view header = trimmedBack(line);
            if (header.size() < 2 || header.back() != ']') return std::nullopt;
            std::string_view name = header.substr(1, header.size() - 2);
            if (name.find_first_of("[]") != std::string_view::npos) return std::nullopt;
            inAnyGroup = true;
            inMainGroup = name == kMainGroup;
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }

        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !inAnyGroup) return std::nullopt;
        std::string_view key = trimmedBack(line.substr(0, equals));
        if (key.empty()) return std::nullopt;
        if (inMainGroup) entry.keys[std::string(key)] = std::string(trimmedFront(line.substr(equals + 1)));
    }
    if (!sawMainGroup) return std::nullopt;
    return entry;
}

std::optional<std::string> unescapeDesktopString(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out.push_back(raw[i]);
            continue;
        }
        if (i + 1 == raw.size()) return std::nullopt;
        switch (raw[++i]) {
            case 's': out.push_back(' '); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case '\\': out.push_back('\\'); break;
            default: return std::nullopt;
        }
    }
    return out;
}

std::string escapeDesktopString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            // Blanks after "=" are dropped by every reader, so leading ones must be escaped.
            case ' ': out += out.empty() ? "\\s" : " "; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::optional<std::vector<std::string>> splitExecLine(std::string_view exec) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;  // some part of the current argument was quoted
    auto finish = [&]() -> bool {
        if (inArgument) {
            std::optional<std::string> expanded = expandFieldCodes(current);
            if (!expanded) return false;
            if (quoted || !expanded->empty()) arguments.push_back(std::move(*expanded));
        }
        current.clear();
        inArgument = quoted = false;
        return true;
    };

    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!finish()) return std::nullopt;
            continue;
        }
        inArgument = true;
        if (c == '"') {
            quoted = true;
            for (++i;; ++i) {
                if (i == exec.size()) return std::nullopt;
                if (exec[i] == '"') break;
                const bool escaped = exec[i] == '\\' && i + 1 < exec.size() &&
                                     kQuotedEscapes.find(exec[i + 1]) != std::string_view::npos;
                if (escaped) ++i;
                current.push_back(exec[i]);
            }
        } else if (c == '\'') {
            quoted = true;
            const std::size_t close = exec.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            current.append(exec.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '\\') {
            if (i + 1 == exec.size()) return std::nullopt;
            current.push_back(exec[++i]);
        } else {
            current.push_back(c);
        }
    }
    if (!finish() || arguments.empty()) return std::nullopt;
    return arguments;
}

std::string quoteExecArgument(std::string_view argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (kQuotedEscapes.find(c) != std::string_view::npos)
            out.push_back('\\');
        else if (c == '%')
            out.push_back('%');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::optional<ExecCommand> parseExecCommand(const std::vector<std::string>& arguments) {
    ExecCommand command;
    std::size_t next = 0;
    auto isEnv = [](const std::string& word) {
        return word == "env" || (word.size() > 4 && word.ends_with("/env"));
    };
    if (!arguments.empty() && isEnv(arguments.front())) {
        for (next = 1; next < arguments.size(); ++next) {
            const std::string& word = arguments[next];
            const std::size_t equals = word.find('=');
            if (equals == std::string::npos || equals == 0) break;
            command.environment.emplace_back(word.substr(0, equals), word.substr(equals + 1));
        }
    }
    if (next >= arguments.size()) return std::nullopt;
    command.program = arguments[next];
    command.arguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1, arguments.end());
    return command;
}

std::optional<ExecCommand> execCommandOf(const DesktopEntry& entry) {
    std::optional<std::string> exec = entry.string(kExecKey);
    if (!exec) return std::nullopt;
    std::optional<std::vector<std::string>> arguments = splitExecLine(*exec);
    if (!arguments) return std::nullopt;
    return parseExecCommand(*arguments);
}

}  // namespace platform
