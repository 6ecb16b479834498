#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Disks/Value.h"

namespace platform::sysfs {

// Small parsers for the text of sysfs attributes and udev properties. They take untrusted bytes:
// anything that does not parse gives absent, never a made-up value such as 0.

std::string_view trimmed(std::string_view text);

// The non-empty pieces of `text` between the separators.
std::vector<std::string_view> pieces(std::string_view text, char separator);

// A decimal unsigned integer, surrounding white space allowed; absent on overflow.
std::optional<std::uint64_t> parseUnsigned(std::string_view text);

struct BlockStatBytes {
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
};
// A block device's `stat` line (Documentation/block/stat.rst): at least 7 decimal fields; fields 3
// and 7 count the sectors read and written, 512 bytes each whatever the device's block size.
// Absent when a needed field does not parse or the bytes overflow 64 bits.
std::optional<BlockStatBytes> parseBlockStat(std::string_view text);

// KEY=VALUE lines of a `uevent` file.
std::map<std::string, std::string, std::less<>> parseUevent(std::string_view text);

// udev's *_ENC values: \xNN stands for one byte.
std::string unescapeUdev(std::string_view text);

// A USB device's `speed` (Mb/s) as the host-controller speed code: 1.5 → 2, 12 → 1, 480 → 3,
// 5000 → 4, 10000 → 5, 20000 → 6.
std::optional<int> usbSpeedCode(std::string_view text);

// A Thunderbolt router's per-lane `rx_speed` ("20.0 Gb/s") as a link speed code: 10 → 8, 20 → 4.
std::optional<int> thunderboltSpeedCode(std::string_view text);

// A file system's UUID as 16 bytes. RFC 4122 text maps to its bytes; shorter hexadecimal serials
// (FAT and exFAT "1234-ABCD", NTFS's 16 digits) are zero-padded on the left, so a volume keeps
// one stable identity. Absent for anything that is not hexadecimal digits and hyphens.
std::optional<UuidBytes> volumeUUIDBytes(std::string_view text);

}  // namespace platform::sysfs
