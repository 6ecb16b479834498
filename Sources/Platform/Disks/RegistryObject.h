#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {

// A handle on one registry entry. Copying retains the entry, destruction releases it, so a handle
// is released on every path by construction. The registry that made the handle counts the
// handles alive (Registry::outstandingHandles).
class RegistryObject {
public:
    using Counter = std::shared_ptr<std::atomic<std::int64_t>>;

    RegistryObject(std::uint64_t reference, Counter counter) : reference_(reference), counter_(std::move(counter)) {
        retain();
    }
    RegistryObject(const RegistryObject& other) : reference_(other.reference_), counter_(other.counter_) { retain(); }
    RegistryObject(RegistryObject&& other) noexcept
        : reference_(other.reference_), counter_(std::move(other.counter_)) {}
    RegistryObject& operator=(RegistryObject other) noexcept {
        std::swap(reference_, other.reference_);
        std::swap(counter_, other.counter_);
        return *this;
    }
    ~RegistryObject() {
        if (counter_) counter_->fetch_sub(1, std::memory_order_relaxed);
    }

    // What the registry uses to find the entry again; not the entry id.
    std::uint64_t reference() const { return reference_; }

private:
    void retain() {
        if (counter_) counter_->fetch_add(1, std::memory_order_relaxed);
    }

    std::uint64_t reference_;
    Counter counter_;
};

}  // namespace platform
