#pragma once

#include <string>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Log/Logger.h"

namespace platform {

// The log of a desktop backend: the program's bundle identifier as subsystem, as every log here.
inline Logger desktopLogger(std::string category) {
    return Logger(mainBundle()->bundleIdentifier.value_or("Kavrinet"), std::move(category));
}

}  // namespace platform
