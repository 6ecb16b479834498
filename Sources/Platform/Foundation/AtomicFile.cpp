#include "AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileManager.h"

namespace platform {

namespace {

[[noreturn]] void fail(int error, const char* step) { throw AtomicFileError({error, std::generic_category()}, step); }

constexpr std::string_view temporaryMarker = ".tmp-";
constexpr std::size_t randomLength = 6;  // mkostemp's XXXXXX
constexpr std::size_t maximumPidLength = 10;

// Closes the descriptors and removes the temporary file unless released. `lock` shares the open
// file of `fd` and keeps its flock after `fd` is closed.
struct Temporary {
    int fd = -1;
    int lock = -1;
    std::string path;

    ~Temporary() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
        if (lock >= 0) ::close(lock);  // after the unlink: the file is never seen unlocked
    }
};

// The folder of `destination`, "." for a bare file name.
std::filesystem::path folderOf(const std::filesystem::path& destination) {
    return destination.has_parent_path() ? destination.parent_path() : ".";
}

// What the name of every temporary file for a destination named `destinationName` starts with.
std::string temporaryPrefix(const std::string& destinationName) {
    return "." + destinationName + std::string(temporaryMarker);
}

// The writer's pid if `name` is the name of a temporary file that starts with `prefix`, followed
// by a pid + "-" + six letters or digits.
std::optional<pid_t> temporaryWriter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return std::nullopt;
    std::string_view rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > maximumPidLength || rest.size() != dash + 1 + randomLength) {
        return std::nullopt;
    }
    long long pid = 0;
    for (char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9') return std::nullopt;
        pid = pid * 10 + (c - '0');
    }
    for (char c : rest.substr(dash + 1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return std::nullopt;
    }
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return std::nullopt;
    return static_cast<pid_t>(pid);
}

// A process with this pid exists in our pid namespace (EPERM: it exists, but is not ours).
bool processExists(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

void writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(errno, "write");
        }
        if (written == 0) fail(EIO, "write");
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(errno, "open folder");
    int result = ::fsync(fd);
    int error = errno;
    ::close(fd);
    // EINVAL: the file system cannot sync folders; there is nothing more to be had.
    if (result != 0 && error != EINVAL) fail(error, "fsync folder");
}

// The replacement itself; `createFolder`: a missing folder is made first.
void replace(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes, bool createFolder) {
    if (!destination.has_filename()) fail(EINVAL, "destination");
    const std::filesystem::path folder = folderOf(destination);
    if (std::error_code error = createFolder ? FileManager::createDirectories(folder) : std::error_code{}) {
        throw AtomicFileError(error, "create folder");
    }

    Temporary temporary;
    std::string pattern =
        (folder / (temporaryPrefix(destination.filename().string()) + std::to_string(::getpid()) + "-XXXXXX")).string();
    temporary.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (temporary.fd < 0) fail(errno, "create temporary file");
    temporary.path = pattern;
    // Until the lock is held the pid in the name tells that the writer is at work.
    if (::flock(temporary.fd, LOCK_EX) != 0) fail(errno, "lock temporary file");
    temporary.lock = ::fcntl(temporary.fd, F_DUPFD_CLOEXEC, 0);
    if (temporary.lock < 0) fail(errno, "lock temporary file");
    if (::fchmod(temporary.fd, 0600) != 0) fail(errno, "chmod");

    writeAll(temporary.fd, bytes.data(), bytes.size());
    if (::fsync(temporary.fd) != 0) fail(errno, "fsync");
    int fd = temporary.fd;
    temporary.fd = -1;
    if (::close(fd) != 0) fail(errno, "close");
    if (::rename(temporary.path.c_str(), destination.c_str()) != 0) fail(errno, "rename");
    temporary.path.clear();
    ::close(temporary.lock);
    temporary.lock = -1;
    syncFolder(folder);
}

}  // namespace

void AtomicFile::write(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes) {
    replace(destination, bytes, true);
}

void AtomicFile::writeThroughLinks(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes) {
    std::error_code error;
    const std::optional<std::filesystem::path> target = FileManager::followingFinalLinks(destination, error);
    if (!target) throw AtomicFileError(error, "follow link");
    struct stat st {};
    if (::lstat(target->c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, "destination is not a regular file");
    // Only the folder that the program named itself is made; a link's target folder is the user's.
    replace(*target, bytes, *target == destination);
}

std::size_t AtomicFile::removeStaleTemporaries(const std::filesystem::path& destination) {
    if (!destination.has_filename()) return 0;
    const std::string prefix = temporaryPrefix(destination.filename().string());
    const std::filesystem::path folder = folderOf(destination);
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), ::closedir);
    if (!directory) return 0;
    const int folderFd = ::dirfd(directory.get());
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        std::optional<pid_t> writer = temporaryWriter(entry->d_name, prefix);
        if (!writer || processExists(*writer)) continue;
        // A writer in another pid namespace shows a pid that means nothing here; its lock counts.
        int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlinkat(folderFd, entry->d_name, 0) == 0) {
            ++removed;
        }
        ::close(fd);
    }
    return removed;
}

void AtomicFile::write(const std::filesystem::path& destination, std::string_view bytes) {
    write(destination, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace platform
