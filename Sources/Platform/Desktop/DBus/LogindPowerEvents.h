#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Desktop/PowerEvents.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Log/Logger.h"

namespace platform {

// Sleep and wake from systemd-logind: its PrepareForSleep(true/false) signal on the system bus.
// Each subscription holds a "delay" sleep inhibitor from the moment it starts: on will-sleep the
// callback runs on the main queue and the inhibitor is closed right after it returns, which lets
// the system sleep; after wake a new one is taken. Ending the subscription closes it.
//
// Only signals sent by the current owner of org.freedesktop.login1 count, from the moment a
// subscription starts: subscribing asks the bus daemon itself for that owner while it adds its
// match rule (one round trip each, as every Qt signal subscription makes). The bus is connected at
// the first subscription; without a bus the source logs that once and delivers nothing. Calls to
// logind are asynchronous. Use on the main queue's thread only.
class LogindPowerEvents final : public PowerEvents {
public:
    struct Options {
        std::optional<std::string> busAddress;  // absent: the system bus
        std::string who = "Kavrinet";           // as `systemd-inhibit --list` shows the inhibitor
        std::string why = "Saves the observation state before the system sleeps";
        int callTimeoutMilliseconds = 10000;
    };

    static std::shared_ptr<LogindPowerEvents> make(SerialQueuePtr mainQueue, Options options, Logger logger);
    // On the system bus, logging under the program's bundle identifier.
    static std::shared_ptr<LogindPowerEvents> make(SerialQueuePtr mainQueue);
    ~LogindPowerEvents() override;

    std::unique_ptr<Subscription> subscribe(Callbacks callbacks) override;

    struct Impl;
    explicit LogindPowerEvents(std::shared_ptr<Impl> impl);  // use make()

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
