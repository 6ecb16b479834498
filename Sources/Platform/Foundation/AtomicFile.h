#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// A failed replacement: `what()` names the step ("create temporary file", "write", "fsync",
// "rename", ...) and the system error.
class AtomicFileError : public std::system_error {
public:
    AtomicFileError(std::error_code code, const std::string& step) : std::system_error(code, step) {}
};

struct AtomicFile {
    // Replaces the file at `destination` with `bytes`: a temporary file created exclusively in the
    // same folder (mode 0600) is written completely, synced, renamed over the destination, and the
    // folder is synced. Missing folders are created with mode 0700. A symbolic link at the
    // destination is replaced, not followed.
    //
    // Throws AtomicFileError when any step fails. The destination then holds its old content (or
    // still does not exist) and no temporary file is left; only a failure to sync the folder after
    // the rename leaves the new content in place, not yet known to be durable.
    static void write(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes);
    static void write(const std::filesystem::path& destination, std::string_view bytes);
};

}  // namespace platform
