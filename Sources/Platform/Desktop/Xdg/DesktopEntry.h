#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The "[Desktop Entry]" group of a desktop entry file (XDG Desktop Entry rules): values as they
// stand in the file, still escaped. Pure functions over bytes, so untrusted files can be fuzzed.
struct DesktopEntry {
    std::map<std::string, std::string, std::less<>> keys;  // a key given twice keeps its last value

    // The raw value of `key`, or nullptr.
    const std::string* raw(std::string_view key) const;
    // A string value with its escapes resolved; absent when missing or badly escaped.
    std::optional<std::string> string(std::string_view key) const;
    // "true"/"1" or "false"/"0"; absent when missing or anything else.
    std::optional<bool> boolean(std::string_view key) const;
};

// Reads the "[Desktop Entry]" group. Absent when the bytes are not a desktop entry: a NUL byte, a
// line that is neither blank, comment, group header nor "Key=Value", a key before the first
// group, or no "[Desktop Entry]" group at all. Keys of other groups are skipped.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view bytes);

// The escapes of string values: \s \n \t \r \\. Any other escape or a trailing backslash makes the
// value invalid (as the desktops' own readers treat it).
std::optional<std::string> unescapeDesktopString(std::string_view raw);
// The inverse: a value that unescapeDesktopString reads back as `text` (which holds no NUL).
std::string escapeDesktopString(std::string_view text);

// Splits an Exec value (already unescaped as a string) into its arguments: separated by blanks,
// double-quoted arguments with \" \` \$ \\ escapes, single quotes and backslashes outside quotes as
// in the shell; "%%" is a literal "%", the file and URL field codes expand to nothing for a
// program started without files, and an unquoted argument that was only field codes is dropped.
// Absent for an unterminated quote, a trailing backslash, an unknown field code or no argument.
std::optional<std::vector<std::string>> splitExecLine(std::string_view exec);

// One argument in the form splitExecLine reads back unchanged: double-quoted, with `"`, `` ` ``,
// `$` and `\` escaped by a backslash and `%` doubled. The Exec value built from such arguments
// still goes through escapeDesktopString, which doubles the backslashes once more.
std::string quoteExecArgument(std::string_view argument);

// A command line read past a leading `env NAME=value ...`.
struct ExecCommand {
    std::vector<std::pair<std::string, std::string>> environment;  // in their order on the line
    std::string program;
    std::vector<std::string> arguments;

    friend bool operator==(const ExecCommand&, const ExecCommand&) = default;
};

// Absent when nothing names a program (an empty line, or `env` with only assignments).
std::optional<ExecCommand> parseExecCommand(const std::vector<std::string>& arguments);

// The Exec key of a parsed entry, all the way to its command; absent when any step fails.
std::optional<ExecCommand> execCommandOf(const DesktopEntry& entry);

}  // namespace platform
