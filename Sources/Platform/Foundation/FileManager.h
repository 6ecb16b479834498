#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace platform {

enum class FileType { regular, directory, symbolicLink, other };

// What the file system says about one item itself (a final symbolic link is not followed).
struct FileAttributes {
    FileType type = FileType::other;
    std::uint64_t size = 0;

    friend bool operator==(const FileAttributes&, const FileAttributes&) = default;
};

struct FileManager {
    // lstat: absent when the item cannot be examined (missing, no permission, ...).
    static std::optional<FileAttributes> attributesOfItem(const std::filesystem::path& path);

    // Where `path` leads when symbolic links as its last component are followed (a relative link
    // counts from the link's folder): `path` itself when it is no link. The result need not exist
    // (a dangling link). Absent with `error` set for a link that cannot be read, or ELOOP after
    // maximumFinalLinks links.
    static constexpr int maximumFinalLinks = 40;
    static std::optional<std::filesystem::path> followingFinalLinks(const std::filesystem::path& path,
                                                                    std::error_code& error);

    // Creates the folder and every missing parent with user-only permissions (0700); folders that
    // exist already are left as they are. Fails when a component exists and is not a folder.
    static std::error_code createDirectories(const std::filesystem::path& path);
};

}  // namespace platform
