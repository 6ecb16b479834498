#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// The hand-sent "will change" signal of an observable object: send() calls every connected
// listener, in the order they connected, before the object changes. Listeners only schedule work
// (they never read or change the object synchronously). Main thread only.
class WillChangeSignal {
public:
    // Disconnects its listener when released.
    class Connection {
    public:
        Connection() = default;
        Connection(Connection&&) noexcept = default;
        Connection& operator=(Connection&&) noexcept = default;
        ~Connection() { disconnect(); }
        void disconnect() {
            if (auto slot = slot_.lock()) *slot = nullptr;
            slot_.reset();
        }

    private:
        friend class WillChangeSignal;
        explicit Connection(std::weak_ptr<std::function<void()>> slot) : slot_(std::move(slot)) {}
        std::weak_ptr<std::function<void()>> slot_;
    };

    [[nodiscard]] Connection connect(std::function<void()> listener) {
        auto slot = std::make_shared<std::function<void()>>(std::move(listener));
        slots_.push_back(slot);
        return Connection(slot);
    }

    void send() {
        // A copy, so a listener may connect or disconnect while the signal is sent.
        const auto listeners = slots_;
        for (const auto& slot : listeners)
            if (*slot) (*slot)();
        std::erase_if(slots_, [](const auto& slot) { return !*slot; });
    }

    std::size_t listenerCount() const {
        std::size_t n = 0;
        for (const auto& slot : slots_)
            if (*slot) ++n;
        return n;
    }

private:
    std::vector<std::shared_ptr<std::function<void()>>> slots_;
};

}  // namespace platform
