#pragma once

#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// Whether one of the two JSON files can be used. memoryOnly and readFailed are start states only;
// afterwards a write moves the status to available or writeFailed.
enum class EventStorageStatus {
    available,    // the last read or write succeeded, or there was nothing to read yet
    memoryOnly,   // no file location: data lives in memory only
    readFailed,   // the stored file could not be read at construction; the store started empty
    writeFailed,  // the last write attempt failed
};

}  // namespace quentrel

template <>
struct platform::json::EnumStrings<quentrel::EventStorageStatus> {
    using E = quentrel::EventStorageStatus;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::available, "available"},
        {E::memoryOnly, "memoryOnly"},
        {E::readFailed, "readFailed"},
        {E::writeFailed, "writeFailed"},
    };
};
