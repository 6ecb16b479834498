#pragma once

#include <string>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// The text form of the diagnostic documents: pretty-printed with two-space indents and
// "key" : value, keys sorted by their UTF-8 bytes, slashes not escaped, scalars as the compact
// writer writes them.
std::string prettySortedJSON(const platform::json::Value& value);

}  // namespace wendmark
