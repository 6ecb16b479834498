#pragma once

#include <cstddef>
#include <filesystem>

#include "Base64.h"

namespace platform {

enum class BoundedReadStatus {
    read,            // `bytes` holds the whole file
    missing,         // nothing at the path (ENOENT)
    notRegularFile,  // a symbolic link, folder, FIFO, device or socket
    tooLarge,        // more bytes than the cap
    ioError,         // any other failure; `error` holds errno
};

struct BoundedRead {
    BoundedReadStatus status = BoundedReadStatus::ioError;
    Data bytes;
    int error = 0;
};

// Whether a symbolic link as the path's last component is refused (notRegularFile) or followed.
enum class FinalLink { refuse, follow };

// Reads a whole regular file of at most `cap` bytes. The path is opened once, close-on-exec,
// without blocking on a FIFO and, unless asked to, without following a final symbolic link; the
// open descriptor must be a regular file whose size is within the cap, and at most cap + 1 bytes
// are read, so a file that grows while it is read is refused as too large as well.
BoundedRead readBounded(const std::filesystem::path& path, std::size_t cap, FinalLink link = FinalLink::refuse);

}  // namespace platform
