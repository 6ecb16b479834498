#include "FileManager.h"

#include <cerrno>

#include <sys/stat.h>

namespace platform {

std::optional<FileAttributes> FileManager::attributesOfItem(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    FileType type = S_ISREG(st.st_mode)   ? FileType::regular
                    : S_ISDIR(st.st_mode) ? FileType::directory
                    : S_ISLNK(st.st_mode) ? FileType::symbolicLink
                                          : FileType::other;
    return FileAttributes{type, static_cast<std::uint64_t>(st.st_size)};
}

std::optional<std::filesystem::path> FileManager::followingFinalLinks(const std::filesystem::path& path,
                                                                      std::error_code& error) {
    std::filesystem::path current = path;
    for (int links = 0;; ++links) {
        struct stat st {};
        // Nothing there, or nothing that can be examined: that is where the path leads.
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        if (links == maximumFinalLinks) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return std::nullopt;
        }
        std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) return std::nullopt;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
}

std::error_code FileManager::createDirectories(const std::filesystem::path& path) {
    if (path.empty()) return std::make_error_code(std::errc::invalid_argument);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? std::error_code{} : std::make_error_code(std::errc::not_a_directory);
    }
    if (errno != ENOENT) return {errno, std::generic_category()};
    std::filesystem::path parent = path.parent_path();
    if (parent != path && !parent.empty()) {
        if (std::error_code error = createDirectories(parent)) return error;
    }
    // A trailing separator leaves an empty last component: the parent was the folder itself.
    if (!path.has_filename()) return {};
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {errno, std::generic_category()};
    if (::stat(path.c_str(), &st) != 0) return {errno, std::generic_category()};
    return S_ISDIR(st.st_mode) ? std::error_code{} : std::make_error_code(std::errc::not_a_directory);
}

}  // namespace platform
