#pragma once

#include <functional>
#include <memory>

namespace platform {

// The system's will-sleep and did-wake notifications. Both callbacks run on the main queue. The
// source may hold the system in a sleep delay while willSleep runs: the delay ends when willSleep
// returns, so work done synchronously in it happens before the system sleeps.
class PowerEvents {
public:
    struct Callbacks {
        std::function<void()> willSleep;
        std::function<void()> didWake;
    };

    // Ends one subscription when released (or when cancel() is called).
    class Subscription {
    public:
        virtual ~Subscription() = default;
        virtual void cancel() = 0;
    };

    virtual ~PowerEvents() = default;

    // Delivers every later will-sleep and did-wake until the subscription ends. A source without
    // a system to listen to delivers nothing and still returns a subscription.
    virtual std::unique_ptr<Subscription> subscribe(Callbacks callbacks) = 0;
};

using PowerEventsPtr = std::shared_ptr<PowerEvents>;

}  // namespace platform
