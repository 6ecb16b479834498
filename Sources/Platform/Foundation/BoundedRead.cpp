#include "BoundedRead.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

BoundedRead failure(BoundedReadStatus status, int error = 0) { return BoundedRead{status, {}, error}; }

}  // namespace

BoundedRead readBounded(const std::filesystem::path& path, std::size_t cap, FinalLink link) {
    cap = std::min(cap, std::numeric_limits<std::size_t>::max() - 1);
    const int noFollow = link == FinalLink::refuse ? O_NOFOLLOW : 0;
    Descriptor file{::open(path.c_str(), O_RDONLY | noFollow | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        int error = errno;
        if (error == ENOENT) return failure(BoundedReadStatus::missing, error);
        if (error == ELOOP && noFollow) return failure(BoundedReadStatus::notRegularFile, error);  // a symbolic link
        return failure(BoundedReadStatus::ioError, error);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return failure(BoundedReadStatus::ioError, errno);
    if (!S_ISREG(st.st_mode)) return failure(BoundedReadStatus::notRegularFile);
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > cap) return failure(BoundedReadStatus::tooLarge);

    // Room for the size seen plus one byte; grown (up to cap + 1) only if the file grows meanwhile.
    const std::size_t limit = cap + 1;
    BoundedRead result{BoundedReadStatus::read, {}, 0};
    result.bytes.resize(std::min(static_cast<std::size_t>(st.st_size) + 1, limit));
    std::size_t total = 0;
    while (total < limit) {
        if (total == result.bytes.size()) result.bytes.resize(std::min(result.bytes.size() * 2, limit));
        ssize_t count = ::read(file.fd, result.bytes.data() + total, result.bytes.size() - total);
        if (count < 0) {
            if (errno == EINTR) continue;
            return failure(BoundedReadStatus::ioError, errno);
        }
        if (count == 0) break;
        total += static_cast<std::size_t>(count);
    }
    if (total > cap) return failure(BoundedReadStatus::tooLarge);
    result.bytes.resize(total);
    return result;
}

}  // namespace platform
