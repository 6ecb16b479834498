#pragma once

// How long a test waits for other processes, counted in the time they could run: wall time scaled
// by the share of a processor the machine gives a runnable thread. A sanitizer build needs about
// the same processor time wherever it runs; on a machine where fifty threads wait for eight
// processors, that takes six times the wall time it takes on an idle one.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace testsupport {

// The share of a processor a runnable thread gets now: 1 on an idle machine, 8/50 when 50
// threads are runnable on 8 processors (the fourth field of /proc/loadavg, "runnable/all").
inline double processorShare() {
    std::ifstream in("/proc/loadavg");
    double recent = 0, middle = 0, longest = 0;
    int runnable = 0;
    if (!(in >> recent >> middle >> longest >> runnable)) return 1;
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return runnable > processors ? static_cast<double>(processors) / runnable : 1.0;
}

class Patience {
public:
    explicit Patience(double seconds) : seconds_(seconds) {}

    // Whether the time is up. Each call counts the wall time since the last one at the share of
    // now; the wall time is at most ten times `seconds`.
    bool over() {
        const auto now = Clock::now();
        counted_ += std::chrono::duration<double>(now - last_).count() * processorShare();
        last_ = now;
        return counted_ >= seconds_ || now - start_ >= std::chrono::duration<double>(kMostStretch * seconds_);
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr double kMostStretch = 10;

    double seconds_;
    double counted_ = 0;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_ = start_;
};

}  // namespace testsupport
