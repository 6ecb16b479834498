#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "RegistryObject.h"

namespace platform {

// The parents of one entry in one plane, in registry order, as taken when the iterator was made.
// When the registry changes meanwhile the iterator turns invalid and yields nothing more.
class ParentIterator {
public:
    // `stillValid` is asked with the number of parents handed out so far.
    ParentIterator(std::vector<RegistryObject> parents, std::function<bool(std::size_t taken)> stillValid)
        : parents_(std::move(parents)), stillValid_(std::move(stillValid)) {}

    std::optional<RegistryObject> next() {
        if (taken_ >= parents_.size() || !isValid()) return std::nullopt;
        return std::move(parents_[taken_++]);
    }

    bool isValid() const { return !stillValid_ || stillValid_(taken_); }

private:
    std::vector<RegistryObject> parents_;
    std::function<bool(std::size_t)> stillValid_;
    std::size_t taken_ = 0;
};

}  // namespace platform
