#pragma once

#include <string>
#include <string_view>

#include "Wendmark/ObservationInventory.h"

namespace quentrel {

// The program entry of the agent Kavrinet.
struct ProductMain {
    static constexpr std::string_view applicationName = "Kavrinet";
    static constexpr std::string_view mainQueueLabel = "main";
    static constexpr std::string_view fallbackBundleIdentifier = "local.mirosal.Kavrinet";

    // Checks the command line, then runs the agent until it is told to end or its display ends;
    // returns the exit status: 64 for a command line it does not accept, 0 otherwise. When another
    // agent is already running, it is asked to activate (or, when it has no display and this
    // process has one, to make way) and this process ends at once with status 0.
    static int main(int argc, char** argv);
    // The same with the drive inventory that `inventory` makes (tests); empty: the system's.
    static int main(int argc, char** argv, const wendmark::ObservationInventory::Factory& inventory);
};

}  // namespace quentrel
