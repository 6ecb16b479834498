#pragma once

#include <string>

#include "FileLocations.h"

namespace platform {

// The C library's message for the system error `error` (an errno value) in the user's language:
// that of the locale named by LC_ALL, else LC_MESSAGES, else LANG (the first that is set and not
// empty), read through `environment` as setlocale would read them. The C locale's English when
// none is named or that locale is not installed. Never touches the process's own locale, so it
// may run on any thread, before or without setlocale.
//
// The text is UTF-8 whatever character set that locale uses (ko_KR.EUC-KR, de_DE.ISO-8859-1).
// To that end, from the first call on, the C library writes all its messages in UTF-8 in the
// whole process, as the rest of this program writes its texts: the C library keeps each message
// it has translated for a locale in whatever character set it was asked for first, so a message
// once made for the process's own locale would otherwise come back in that character set.
std::string localizedSystemMessage(int error, const EnvironmentLookup& environment = processEnvironment());

}  // namespace platform
