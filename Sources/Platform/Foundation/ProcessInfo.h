#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The identifier of the running process.
std::int32_t processIdentifier();

// The parent of a process, from /proc/<pid>/stat; absent when the process is gone or its stat
// cannot be read.
std::optional<std::int32_t> parentProcessIdentifier(std::int32_t process);
// The same from the text of a stat file: "pid (name) state ppid …", where the name may hold spaces
// and parentheses and the last ')' ends it; absent when the text is not such a line.
std::optional<std::int32_t> parentProcessIdentifierInStat(std::string_view stat);

// The kernel's name and release as uname reports them, e.g. "Linux" and "6.1.0-18-amd64".
struct KernelVersion {
    std::string name;
    std::string release;
};

// The running kernel; absent when uname fails.
std::optional<KernelVersion> currentKernelVersion();

// A human-readable version of the operating system: the distribution's PRETTY_NAME from
// /etc/os-release (or /usr/lib/os-release), else NAME and VERSION, followed by the kernel, e.g.
// "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)".
std::string operatingSystemVersionString();
// The same from a given os-release file and kernel; a missing or unreadable file counts as empty.
std::string operatingSystemVersionString(const std::filesystem::path& osRelease,
                                         const std::optional<KernelVersion>& kernel);

}  // namespace platform
