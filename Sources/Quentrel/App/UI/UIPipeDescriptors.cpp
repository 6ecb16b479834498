#include "UIPipeDescriptors.h"

#include <cerrno>
#include <initializer_list>

#include <fcntl.h>
#include <unistd.h>

namespace quentrel {

namespace {

constexpr int firstFreeDescriptor = 3;

// Closes what was opened so far and names the step that failed, with the errno it left.
UIPipeDescriptors failed(UIPipeDescriptors taken, const char* step) {
    taken.error = errno;
    taken.failedStep = step;
    for (int* fd : {&taken.input, &taken.output}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    return taken;
}

bool redirect(int from, int to) {
    while (::dup2(from, to) < 0) {
        if (errno != EINTR && errno != EBUSY) return false;
    }
    return true;
}

}  // namespace

UIPipeDescriptors UIPipeDescriptors::take(int input, int output, const char* nullDevice) {
    UIPipeDescriptors taken;
    taken.input = ::fcntl(input, F_DUPFD_CLOEXEC, firstFreeDescriptor);
    if (taken.input < 0) return failed(taken, "copy input");
    taken.output = ::fcntl(output, F_DUPFD_CLOEXEC, firstFreeDescriptor);
    if (taken.output < 0) return failed(taken, "copy output");
    const int null = ::open(nullDevice, O_RDWR | O_CLOEXEC);
    if (null < 0) return failed(taken, "open null device");
    const char* step = !redirect(null, input)    ? "redirect input"
                       : !redirect(null, output) ? "redirect output"
                                                 : nullptr;
    const int error = errno;
    ::close(null);
    errno = error;
    return step ? failed(taken, step) : taken;
}

}  // namespace quentrel
