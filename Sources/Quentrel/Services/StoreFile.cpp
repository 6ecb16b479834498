#include "StoreFile.h"

#include <cerrno>
#include <utility>

#include <sys/stat.h>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Foundation/AtomicFile.h"
#include "Platform/Foundation/BoundedRead.h"

namespace quentrel {

FileWriter atomicFileWriter() {
    return [](std::string_view bytes, const std::filesystem::path& location) {
        platform::AtomicFile::write(location, bytes);
    };
}

platform::SerialQueuePtr StoreRuntime::queue(const std::string& label) const {
    if (makeQueue) return makeQueue(label);
    return platform::ThreadSerialQueue::make(label);
}

platform::Date StoreRuntime::currentDate() const { return now ? now() : platform::Date::now(); }

void removeStaleTemporariesBeside(const std::filesystem::path& location) {
    platform::AtomicFile::removeStaleTemporaries(location);
}

StoreFileContents readStoreFile(const std::filesystem::path& path, std::size_t cap) {
    platform::BoundedRead contents = platform::readBounded(path, cap);
    switch (contents.status) {
    case platform::BoundedReadStatus::read: return {StoreFileRead::read, std::move(contents.bytes)};
    case platform::BoundedReadStatus::missing: return {StoreFileRead::missing, {}};
    case platform::BoundedReadStatus::notRegularFile: {
        // A dangling symbolic link leaves nothing at the path when links are followed.
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {StoreFileRead::missing, {}};
        return {StoreFileRead::failed, {}};
    }
    case platform::BoundedReadStatus::tooLarge:
    case platform::BoundedReadStatus::ioError: break;
    }
    return {StoreFileRead::failed, {}};
}

}  // namespace quentrel
