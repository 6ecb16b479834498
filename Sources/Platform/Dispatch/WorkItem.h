#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// A block of work that can be cancelled before it starts. Cancelling from any thread is safe;
// a cancelled item never runs, an item already running finishes.
class WorkItem {
public:
    explicit WorkItem(std::function<void()> block) : block_(std::move(block)) {}

    static std::shared_ptr<WorkItem> make(std::function<void()> block) {
        return std::make_shared<WorkItem>(std::move(block));
    }

    void perform() {
        if (!cancelled_.load(std::memory_order_acquire) && block_) block_();
    }
    void cancel() { cancelled_.store(true, std::memory_order_release); }
    bool isCancelled() const { return cancelled_.load(std::memory_order_acquire); }

private:
    std::function<void()> block_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace platform
