#pragma once

#include "Quentrel/Views/Models/LocalizedFormats.h"

namespace quentrel {

// The formats of the user's locale (QLocale::system()), in the local time zone.
LocalizedFormats systemLocalizedFormats();

}  // namespace quentrel
