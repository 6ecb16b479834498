#pragma once

// Tests build and inspect JSON documents with a second, independent JSON library; only text
// passes between it and the module under test.
#include <nlohmann/json.hpp>

#include "Platform/Foundation/JSONCoding.h"

namespace testjson {

using Tree = nlohmann::ordered_json;

template <class T>
T decodeTree(const Tree& tree, const platform::json::Options& options = {}) {
    return platform::json::decode<T>(tree.dump(), options);
}

template <class T>
Tree encodeTree(const T& value, const platform::json::Options& options = {}) {
    return Tree::parse(platform::json::encode(value, options));
}

}  // namespace testjson
