#pragma once

#include <functional>

#include "Date.h"

namespace platform {

// The three clocks the system reads, injectable so tests drive virtual time.
struct Clocks {
    std::function<Date()> wall;          // wall-clock date
    std::function<double()> uptime;      // seconds of CLOCK_MONOTONIC: stops while the system sleeps
    std::function<double()> continuous;  // seconds of CLOCK_BOOTTIME: keeps counting in sleep

    static Clocks system();
};

double systemUptime();
double systemContinuousTime();

}  // namespace platform
