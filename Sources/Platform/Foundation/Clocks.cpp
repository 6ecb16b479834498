#include "Clocks.h"

#include <ctime>

namespace platform {

namespace {
double read(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
}  // namespace

double systemUptime() { return read(CLOCK_MONOTONIC); }
double systemContinuousTime() { return read(CLOCK_BOOTTIME); }

Clocks Clocks::system() { return Clocks{&Date::now, &systemUptime, &systemContinuousTime}; }

}  // namespace platform
