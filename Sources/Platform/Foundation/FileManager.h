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

    // Creates the folder and every missing parent with user-only permissions (0700); folders that
    // exist already are left as they are. Fails when a component exists and is not a folder.
    static std::error_code createDirectories(const std::filesystem::path& path);
};

}  // namespace platform
