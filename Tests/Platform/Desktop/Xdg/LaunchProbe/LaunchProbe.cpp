// Started through the Exec line of a login-item entry: prints the launch event this process reads
// from its environment ("<class>/<id>/<prdt>", "none" without one), and whether the marker was
// removed for the processes it starts.
#include <cstdio>
#include <cstdlib>

#include "Platform/Foundation/LaunchEvent.h"

int main() {
    const std::optional<platform::LaunchEvent> event = platform::currentLaunchEvent();
    if (!event) {
        std::printf("none\n");
        return 0;
    }
    std::printf("%s/%s/%s%s\n", event->eventClass.c_str(), event->eventID.c_str(),
                event->launchedAs.value_or("-").c_str(),
                std::getenv(platform::launchEventVariable) != nullptr ? " (still set)" : "");
    return 0;
}
