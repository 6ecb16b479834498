#include "Date.h"

#include <ctime>

namespace platform {

Date Date::now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return fromUnix(static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9);
}

}  // namespace platform
