#pragma once

#include <string>

#include "FileLocations.h"

namespace platform {

// The C library's message for the system error `error` (an errno value) in the user's language:
// that of the locale named by LC_ALL, else LC_MESSAGES, else LANG (the first that is set and not
// empty), read through `environment` as setlocale would read them. The C locale's English when
// none is named or that locale is not installed. Never touches the process's own locale, so it
// may run on any thread, before or without setlocale.
std::string localizedSystemMessage(int error, const EnvironmentLookup& environment = processEnvironment());

}  // namespace platform
