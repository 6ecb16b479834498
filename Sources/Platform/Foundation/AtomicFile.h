#pragma once

#include <cstddef>
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
    // The temporary file is named ".<destination name>.tmp-<writer's pid>-<6 random characters>"
    // and the writer holds an exclusive flock on it until the rename is done, so that a writer
    // killed on the way can be told apart from one still writing (see removeStaleTemporaries).
    //
    // Throws AtomicFileError when any step fails. The destination then holds its old content (or
    // still does not exist) and no temporary file is left; only a failure to sync the folder after
    // the rename leaves the new content in place, not yet known to be durable.
    static void write(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes);
    static void write(const std::filesystem::path& destination, std::string_view bytes);

    // The same, but symbolic links at the destination are followed and stay as they are: the file
    // they lead to is replaced, its temporary file beside it. The folder of a link's target must
    // exist already (it is not created), and a target that exists must be a regular file: else
    // nothing is replaced (EISDIR for a folder, EINVAL for anything else).
    static void writeThroughLinks(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes);

    // Removes beside `destination` the temporary files that its writers killed before their
    // rename left behind: regular files named as above for exactly this destination whose writer
    // is gone, that is, no process of this pid namespace has the pid in the name and nobody holds
    // the file's lock. The folder is shared with other programs, whose files may be named alike:
    // the temporaries of other destinations are kept, as is the file of a writer still at work
    // (here or in another pid namespace). Answers how many were removed.
    static std::size_t removeStaleTemporaries(const std::filesystem::path& destination);
};

}  // namespace platform
