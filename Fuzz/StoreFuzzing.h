#pragma once

// What the fuzz targets of the two JSON stores share: a scratch file that each input is written
// to, a store runtime on virtual time, and a check that aborts so the fuzzer reports it.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Services/StoreFile.h"

namespace storefuzzing {

inline void check(bool condition) {
    if (!condition) std::abort();
}

// Writes the input to `<scratch folder>/<fileName>`; the folder is made once per process.
inline std::filesystem::path writeInput(const char* fileName, const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-store-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        return std::filesystem::path(pattern);
    }();
    std::filesystem::path file = folder / fileName;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

inline quentrel::StoreRuntime virtualRuntime(const std::shared_ptr<platform::VirtualTime>& time) {
    return {[time](const std::string& label) { return time->makeQueue(label); },
            [time] { return platform::Date{time->wall()}; }};
}

}  // namespace storefuzzing
