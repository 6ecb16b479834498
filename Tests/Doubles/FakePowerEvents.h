#pragma once

#include <memory>
#include <vector>

#include "Platform/Desktop/PowerEvents.h"

// Sleep and wake fired by the test, synchronously, to every live subscription.
class FakePowerEvents final : public platform::PowerEvents {
public:
    std::unique_ptr<Subscription> subscribe(Callbacks callbacks) override {
        auto entry = std::make_shared<Entry>(Entry{std::move(callbacks), true});
        entries_.push_back(entry);
        return std::make_unique<Token>(entry);
    }

    void fireWillSleep() {
        for (const auto& entry : liveEntries()) entry->callbacks.willSleep();
    }
    void fireDidWake() {
        for (const auto& entry : liveEntries()) entry->callbacks.didWake();
    }

    std::size_t subscriptionCount() const { return entries_.size(); }
    std::size_t liveCount() const { return liveEntries().size(); }

private:
    struct Entry {
        Callbacks callbacks;
        bool live;
    };
    class Token final : public Subscription {
    public:
        explicit Token(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
        ~Token() override { cancel(); }
        void cancel() override { entry_->live = false; }

    private:
        std::shared_ptr<Entry> entry_;
    };

    std::vector<std::shared_ptr<Entry>> liveEntries() const {
        std::vector<std::shared_ptr<Entry>> live;
        for (const auto& entry : entries_)
            if (entry->live) live.push_back(entry);
        return live;
    }

    std::vector<std::shared_ptr<Entry>> entries_;
};
