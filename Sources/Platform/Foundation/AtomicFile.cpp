#include "AtomicFile.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileManager.h"

namespace platform {

namespace {

[[noreturn]] void fail(int error, const char* step) { throw AtomicFileError({error, std::generic_category()}, step); }

// Closes the descriptor and removes the temporary file unless released.
struct Temporary {
    int fd = -1;
    std::string path;

    ~Temporary() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
    }
};

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

}  // namespace

void AtomicFile::write(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes) {
    if (!destination.has_filename()) fail(EINVAL, "destination");
    std::filesystem::path folder = destination.parent_path();
    if (folder.empty()) folder = ".";
    if (std::error_code error = FileManager::createDirectories(folder)) {
        throw AtomicFileError(error, "create folder");
    }

    Temporary temporary;
    std::string pattern = (folder / ("." + destination.filename().string() + ".XXXXXX")).string();
    temporary.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (temporary.fd < 0) fail(errno, "create temporary file");
    temporary.path = pattern;
    if (::fchmod(temporary.fd, 0600) != 0) fail(errno, "chmod");

    writeAll(temporary.fd, bytes.data(), bytes.size());
    if (::fsync(temporary.fd) != 0) fail(errno, "fsync");
    int fd = temporary.fd;
    temporary.fd = -1;
    if (::close(fd) != 0) fail(errno, "close");
    if (::rename(temporary.path.c_str(), destination.c_str()) != 0) fail(errno, "rename");
    temporary.path.clear();
    syncFolder(folder);
}

void AtomicFile::write(const std::filesystem::path& destination, std::string_view bytes) {
    write(destination, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace platform
